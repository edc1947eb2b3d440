#include "ui/artwork/click_sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "ui/artwork/wav_file.h"

namespace sonaflux::artwork {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kPeak = 0.8;      // headroom below full scale
constexpr double kAttack = 0.004;  // seconds
constexpr double kFadeIn = 0.002;  // seconds of opening fade
constexpr double kFadeOut = 0.03;  // seconds of closing fade

/// A partial of a note: frequency ratio, level, and how much faster than
/// the fundamental it dies away.
struct Partial {
  double ratio, level, extraDecay;
};

// A soft mallet: fundamental, octave and the bright twelfth.
const std::vector<Partial> kMallet = {{1, 1, 0}, {2, 0.28, 6}, {3, 0.12, 14}};
// A small bell: inharmonic overtones that fade quickly.
const std::vector<Partial> kBell = {{1, 1, 0}, {2.76, 0.32, 8}, {5.4, 0.1, 20}};

class Synth {
 public:
  explicit Synth(double seconds) : m_samples(static_cast<std::size_t>(std::lround(seconds * kClickSampleRate)), 0.0) {}

  void note(double frequency, double start, double level, double decay, const std::vector<Partial>& partials) {
    for (std::size_t i = static_cast<std::size_t>(start * kClickSampleRate); i < m_samples.size(); ++i) {
      const double t = static_cast<double>(i) / kClickSampleRate - start;
      const double attack = 1 - std::exp(-t / kAttack);
      double value = 0;
      for (const Partial& p : partials) {
        if (frequency * p.ratio >= kClickSampleRate / 2.2) continue;  // keep clear of aliasing
        value += p.level * std::exp(-t * p.extraDecay) * std::sin(kTwoPi * frequency * p.ratio * t);
      }
      m_samples[i] += level * attack * std::exp(-t * decay) * value;
    }
  }

  /// A tone whose pitch slides exponentially from one frequency to another.
  void glide(double from, double to, double start, double level, double decay) {
    double phase = 0;
    const double length = static_cast<double>(m_samples.size()) / kClickSampleRate - start;
    for (std::size_t i = static_cast<std::size_t>(start * kClickSampleRate); i < m_samples.size(); ++i) {
      const double t = static_cast<double>(i) / kClickSampleRate - start;
      const double frequency = from * std::pow(to / from, std::min(1.0, t / (length * 0.6)));
      phase += kTwoPi * frequency / kClickSampleRate;
      const double envelope = (1 - std::exp(-t / kAttack)) * std::exp(-t * decay);
      m_samples[i] += level * envelope * (std::sin(phase) + 0.2 * std::sin(2 * phase));
    }
  }

  /// A few milliseconds of band-limited noise: the tap of a key.
  void tap(double start, double level) {
    std::uint32_t seed = 0x2545F491u;  // fixed, so every build makes the same file
    double low = 0;
    for (std::size_t i = static_cast<std::size_t>(start * kClickSampleRate); i < m_samples.size(); ++i) {
      const double t = static_cast<double>(i) / kClickSampleRate - start;
      if (t > 0.03) break;
      seed = seed * 1664525u + 1013904223u;
      const double noise = static_cast<double>(seed >> 8) / (1u << 24) * 2 - 1;
      low += 0.35 * (noise - low);
      m_samples[i] += level * (1 - std::exp(-t / 0.001)) * std::exp(-t * 260) * low;
    }
  }

  std::vector<double> finish() {
    // Start and end exactly at silence, so the player makes no pop.
    const std::size_t fadeIn = static_cast<std::size_t>(kFadeIn * kClickSampleRate);
    for (std::size_t i = 0; i < fadeIn && i < m_samples.size(); ++i) m_samples[i] *= static_cast<double>(i) / fadeIn;
    const std::size_t fade = static_cast<std::size_t>(kFadeOut * kClickSampleRate);
    for (std::size_t i = 0; i < fade && i < m_samples.size(); ++i)
      m_samples[m_samples.size() - 1 - i] *= static_cast<double>(i) / fade;
    double peak = 0;
    for (double s : m_samples) peak = std::max(peak, std::abs(s));
    if (peak > 0)
      for (double& s : m_samples) s *= kPeak / peak;
    return m_samples;
  }

 private:
  std::vector<double> m_samples;
};

// Equal-tempered pitches used below.
constexpr double kE5 = 659.26, kG5 = 783.99, kA5 = 880.0, kB5 = 987.77, kC5 = 523.25;
constexpr double kC6 = 1046.5, kE6 = 1318.51, kG6 = 1567.98;

}  // namespace

std::vector<ClickSound> makeClickSounds() {
  std::vector<ClickSound> sounds;

  Synth minimise(0.40);  // a short falling swoop: the window goes down
  minimise.glide(1200, 520, 0, 1.0, 7);
  sounds.push_back({"minimise.wav", minimise.finish()});

  Synth close(0.56);  // falling fifth, bell-like: goodbye
  close.note(kA5, 0, 1.0, 7, kBell);
  close.note(kE5, 0.11, 0.9, 7, kBell);
  sounds.push_back({"close.wav", close.finish()});

  Synth help(0.60);  // rising question
  help.note(kE5, 0, 0.9, 7, kMallet);
  help.note(kB5, 0.12, 1.0, 6, kMallet);
  sounds.push_back({"help.wav", help.finish()});

  Synth browse(0.42);  // a tap and a woody pluck: opening a drawer
  browse.tap(0, 0.6);
  browse.note(kG5, 0.008, 1.0, 12, kMallet);
  sounds.push_back({"browse.wav", browse.finish()});

  Synth options(0.66);  // quick three-note arpeggio
  options.note(kC6, 0, 0.8, 9, kMallet);
  options.note(kE6, 0.07, 0.8, 9, kMallet);
  options.note(kG6, 0.14, 0.9, 8, kMallet);
  sounds.push_back({"options.wav", options.finish()});

  Synth create(0.92);  // the big one: a rising major arpeggio that rings out
  create.note(kC5, 0, 0.7, 4.5, kBell);
  create.note(kE5, 0.06, 0.7, 4.5, kBell);
  create.note(kG5, 0.12, 0.7, 4.5, kBell);
  create.note(kC6, 0.18, 0.9, 4.0, kBell);
  sounds.push_back({"create.wav", create.finish()});

  return sounds;
}

}  // namespace sonaflux::artwork
