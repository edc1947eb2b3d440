#pragma once

// Synthetic sounds with the spectra that matter to a resampler and an
// encoder: speech (pitch and formants, noisy consonants), music (rich
// harmonics up to the top of the band, percussion) and a swept tone.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sonaflux::test {

enum class SignalKind { Speech, Music, Sweep };

inline const char* signalName(SignalKind kind) {
  return kind == SignalKind::Speech ? "speech" : kind == SignalKind::Music ? "music" : "sweep";
}

namespace detail {

constexpr double kPi = 3.14159265358979323846;

struct Noise {
  std::uint32_t state = 12345;
  double next() {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1u << 24) * 2.0 - 1.0;
  }
};

/// Two-pole resonator, the classic formant filter.
struct Resonator {
  double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
  Resonator(double frequency, double bandwidth, double rate) {
    double r = std::exp(-kPi * bandwidth / rate);
    a1 = 2 * r * std::cos(2 * kPi * frequency / rate);
    a2 = -r * r;
    gain = 1 - r;
  }
  double step(double x) {
    double y = gain * x + a1 * y1 + a2 * y2;
    y2 = y1;
    y1 = y;
    return y;
  }
};

inline std::vector<double> speech(std::size_t frames, double rate, double pitchScale) {
  std::vector<double> out(frames);
  Noise noise;
  double phase = 0;
  // Formants of an "a"-like vowel, kept below the Nyquist frequency.
  const double formants[] = {700, 1200, 2600, 3500};
  std::vector<Resonator> filters;
  for (double f : formants) filters.emplace_back(std::min(f, 0.45 * rate), 90, rate);
  Resonator hiss(std::min(5500.0, 0.42 * rate), 2500, rate);
  for (std::size_t i = 0; i < frames; ++i) {
    double t = double(i) / rate;
    double syllable = std::fmod(t * 4.0, 1.0);  // four syllables a second
    double pitch = pitchScale * (120 + 30 * std::sin(2 * kPi * 1.3 * t));
    phase += pitch / rate;
    double pulse = 0;
    if (phase >= 1) {
      phase -= 1;
      pulse = 1;
    }
    double voiced = 0;
    for (auto& f : filters) voiced += f.step(pulse * 40);
    double envelope = syllable < 0.7 ? std::sin(kPi * syllable / 0.7) : 0;
    double consonant = syllable >= 0.75 ? hiss.step(noise.next()) * 3 : hiss.step(0);
    out[i] = voiced * envelope + consonant;
  }
  return out;
}

inline std::vector<double> music(std::size_t frames, double rate, double detune) {
  std::vector<double> out(frames);
  Noise noise;
  const double roots[] = {220.0, 174.61, 261.63, 196.0};
  double drum = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    double t = double(i) / rate;
    double root = roots[std::size_t(t * 2) % 4] * detune;
    double v = 0;
    // Sawtooth-like partials of three chord notes, up to the band's top.
    for (double note : {root, root * 1.26, root * 1.5}) {
      for (int k = 1; note * k < 0.45 * rate && k <= 40; ++k) v += std::sin(2 * kPi * note * k * t) / (k * 3.0);
    }
    if (std::fmod(t, 0.25) < 1.0 / rate) drum = 1;  // a hi-hat on every beat
    drum *= std::exp(-40.0 / rate);
    out[i] = v + 0.6 * drum * noise.next();
  }
  return out;
}

inline std::vector<double> sweep(std::size_t frames, double rate, double seconds, bool down) {
  std::vector<double> out(frames);
  const double low = 50, high = 0.45 * rate;
  double phase = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    double t = double(i) / rate;
    double f = low * std::pow(high / low, (down ? seconds - t : t) / seconds);
    phase += f / rate;
    out[i] = std::sin(2 * kPi * phase);
  }
  return out;
}

inline std::vector<double> make(SignalKind kind, std::size_t frames, double rate, double seconds, int channel) {
  switch (kind) {
    case SignalKind::Speech: return speech(frames, rate, channel == 0 ? 1.0 : 1.7);
    case SignalKind::Music: return music(frames, rate, channel == 0 ? 1.0 : 1.5);
    case SignalKind::Sweep: return sweep(frames, rate, seconds, channel != 0);
  }
  return {};
}

}  // namespace detail

/// A test sound, interleaved, peak at 80 % of full scale; a second
/// channel carries a different sound of the same kind.
inline std::vector<std::int16_t> testSignal(SignalKind kind, double seconds, std::uint32_t rate,
                                            std::uint16_t channels) {
  std::size_t frames = std::size_t(seconds * rate);
  std::vector<std::vector<double>> parts;
  double peak = 1e-9;
  for (int c = 0; c < channels; ++c) {
    parts.push_back(detail::make(kind, frames, rate, seconds, c));
    for (double v : parts.back()) peak = std::max(peak, std::abs(v));
  }
  std::vector<std::int16_t> out;
  out.reserve(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c)
      out.push_back(std::int16_t(std::lround(parts[std::size_t(c)][i] / peak * 0.8 * 32767)));
  }
  return out;
}

}  // namespace sonaflux::test
