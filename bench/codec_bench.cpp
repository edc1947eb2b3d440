// Measurements behind the encoder plug-in's settings: LAME's algorithm
// quality, libsoxr's recipe, the chunk size, and the time of the whole
// encoder with LAME's own resampling against soxr in front of LAME.
// Built and run by bench/codec_bench.sh; times are CPU seconds.
#include <dlfcn.h>
#include <lame/lame.h>
#include <mpg123.h>
#include <soxr.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/test_signals.h"
#include "codecs/lame_enc_api.h"
#include "tests/support/ffmpeg_tools.h"

using namespace sonaflux::test;

namespace {

double cpuSeconds(const std::function<void()>& work) {
  timespec start{}, end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  work();
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  return double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) * 1e-9;
}

/// LAME alone, resampling itself when inputRate differs from 22 050 Hz.
std::vector<unsigned char> lameEncode(const std::vector<short>& pcm, int inputRate, int quality) {
  lame_global_flags* lame = lame_init();
  lame_set_num_channels(lame, 1);
  lame_set_mode(lame, MONO);
  lame_set_in_samplerate(lame, inputRate);
  lame_set_out_samplerate(lame, 22050);
  lame_set_brate(lame, 24);
  lame_set_quality(lame, quality);
  lame_set_bWriteVbrTag(lame, 0);
  lame_init_params(lame);
  std::vector<unsigned char> out, buffer(std::size_t(1.25 * 32768 + 7200));
  for (std::size_t done = 0; done < pcm.size(); done += 32768) {
    int n = int(std::min<std::size_t>(32768, pcm.size() - done));
    int bytes = lame_encode_buffer(lame, pcm.data() + done, pcm.data() + done, n, buffer.data(), int(buffer.size()));
    out.insert(out.end(), buffer.begin(), buffer.begin() + std::max(bytes, 0));
  }
  int bytes = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
  out.insert(out.end(), buffer.begin(), buffer.begin() + std::max(bytes, 0));
  lame_close(lame);
  return out;
}

std::vector<short> mpg123Decode(const std::vector<unsigned char>& mp3) {
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  mpg123_param(h, MPG123_FLAGS, MPG123_QUIET, 0);
  mpg123_open_feed(h);
  mpg123_feed(h, mp3.data(), mp3.size());
  std::vector<short> pcm;
  std::vector<unsigned char> buffer(65536);
  for (;;) {
    std::size_t done = 0;
    int status = mpg123_read(h, buffer.data(), buffer.size(), &done);
    const short* s = reinterpret_cast<const short*>(buffer.data());
    pcm.insert(pcm.end(), s, s + done / 2);
    if (status != MPG123_OK && status != MPG123_NEW_FORMAT) break;
  }
  mpg123_delete(h);
  return pcm;
}

/// Correlation of b against a (aligned by search) over a middle stretch,
/// and the same as a signal-to-error ratio in dB.
std::pair<double, double> match(const std::vector<short>& a, const std::vector<short>& b, long maxLag) {
  const long start = long(a.size()) / 4, length = std::min<long>(long(a.size()) / 2, 131072);
  std::span<const short> part(a.data() + start, std::size_t(length));
  Correlation c = crossCorrelate(part, b, start - 8, start + maxLag);
  return {c.value, -10 * std::log10(std::max(1e-12, 1 - c.value * c.value))};
}

void fft(std::vector<std::complex<double>>& x) {
  const std::size_t n = x.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> w = std::polar(1.0, -2 * M_PI / double(len));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> u = 1;
      for (std::size_t k = 0; k < len / 2; ++k, u *= w) {
        auto a = x[i + k], b = x[i + k + len / 2] * u;
        x[i + k] = a + b;
        x[i + k + len / 2] = a - b;
      }
    }
  }
}

/// Log-spectral distance in dB between a and b (b shifted by lag) over
/// 1024-sample frames, bins from 100 Hz to `top` Hz, levels floored 70 dB
/// below the frame's loudest bin: spectral holes and smeared noise that a
/// plain signal-to-error ratio barely sees.
double logSpectralDistance(const std::vector<short>& a, const std::vector<short>& b, long lag, double rate,
                           double top) {
  const std::size_t n = 1024;
  double total = 0;
  int frames = 0;
  for (std::size_t start = 0; start + n < a.size() && long(start) + lag + long(n) < long(b.size()); start += n / 2) {
    if (long(start) + lag < 0) continue;
    std::vector<std::complex<double>> x(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
      double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n));
      x[i] = w * a[start + i];
      y[i] = w * b[std::size_t(long(start) + lag) + i];
    }
    fft(x);
    fft(y);
    std::size_t from = std::size_t(100 * n / rate), to = std::size_t(top * n / rate);
    double peak = 1e-9;
    for (std::size_t k = from; k < to; ++k) peak = std::max(peak, std::abs(x[k]));
    if (peak < 1000) continue;  // silence
    double floor = peak * std::pow(10.0, -70 / 20.0), sum = 0;
    for (std::size_t k = from; k < to; ++k) {
      double d = 20 * std::log10(std::max(std::abs(x[k]), floor) / std::max(std::abs(y[k]), floor));
      sum += d * d;
    }
    total += std::sqrt(sum / double(to - from));
    ++frames;
  }
  return frames ? total / frames : 0;
}

/// A simplified noise-to-mask ratio: coding error against a masking
/// threshold built from the input's energy in one-Bark bands (Schroeder's
/// spreading function, a fixed 10 dB offset), 1024-sample frames, bands up
/// to `top` Hz. Returns the total NMR in dB (energy mean over frames and
/// bands) and the share of frames where some band's noise exceeds its mask
/// by 1.5 dB: the psychoacoustic model's work, which plain SNR misses.
std::pair<double, double> noiseToMask(const std::vector<short>& a, const std::vector<short>& b, long lag, double rate,
                                      double top) {
  const std::size_t n = 1024;
  auto bark = [](double f) { return 13 * std::atan(0.00076 * f) + 3.5 * std::atan(std::pow(f / 7500, 2)); };
  const std::size_t from = std::size_t(50 * n / rate), to = std::size_t(top * n / rate);
  const int bands = int(bark(top)) + 1;
  double total = 0;
  int frames = 0, disturbed = 0;
  for (std::size_t start = 0; start + n < a.size() && long(start) + lag + long(n) < long(b.size()); start += n / 2) {
    if (long(start) + lag < 0) continue;
    std::vector<std::complex<double>> x(n), e(n);
    for (std::size_t i = 0; i < n; ++i) {
      double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n));
      double in = a[start + i], out = b[std::size_t(long(start) + lag) + i];
      x[i] = w * in;
      e[i] = w * (out - in);
    }
    fft(x);
    fft(e);
    std::vector<double> signal(std::size_t(bands), 0), noise(std::size_t(bands), 0);
    for (std::size_t k = from; k < to; ++k) {
      auto band = std::size_t(bark(double(k) * rate / double(n)));
      signal[band] += std::norm(x[k]);
      noise[band] += std::norm(e[k]);
    }
    double sum = 0, worst = -1e9, signalTotal = 0;
    for (double v : signal) signalTotal += v;
    if (signalTotal < 1e9) continue;  // silence
    for (int j = 0; j < bands; ++j) {
      double mask = 0;
      for (int i = 0; i < bands; ++i) {
        double dz = j - i + 0.474;
        double spread = 15.81 + 7.5 * dz - 17.5 * std::sqrt(1 + dz * dz);
        mask += signal[std::size_t(i)] * std::pow(10.0, (spread - 10) / 10);
      }
      double ratio = noise[std::size_t(j)] / std::max(mask, 1e-3);
      sum += ratio;
      worst = std::max(worst, 10 * std::log10(std::max(ratio, 1e-12)));
    }
    total += sum / bands;
    ++frames;
    if (worst > 1.5) ++disturbed;
  }
  return {frames ? 10 * std::log10(total / frames) : 0, frames ? 100.0 * disturbed / frames : 0};
}

std::vector<short> soxrResample(const std::vector<short>& in, double inRate, double outRate, unsigned long recipe,
                                double* seconds, double passband = 0) {
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  io.flags = SOXR_NO_DITHER;
  soxr_quality_spec_t q = soxr_quality_spec(recipe, 0);
  if (passband > 0) q.passband_end = passband;
  std::vector<short> out(std::size_t(double(in.size()) * outRate / inRate) + 8192);
  std::size_t made = 0;
  *seconds = cpuSeconds([&] {
    soxr_t r = soxr_create(inRate, outRate, 1, nullptr, &io, &q, nullptr);
    std::size_t used = 0, odone = 0;
    for (std::size_t done = 0; done < in.size(); done += 32768) {
      std::size_t n = std::min<std::size_t>(32768, in.size() - done);
      soxr_process(r, in.data() + done, n, &used, out.data() + made, out.size() - made, &odone);
      made += odone;
    }
    soxr_process(r, nullptr, 0, &used, out.data() + made, out.size() - made, &odone);
    made += odone;
    soxr_delete(r);
  });
  out.resize(made);
  return out;
}

std::vector<short> mono(const std::vector<short>& interleaved, int channels) {
  if (channels == 1) return interleaved;
  std::vector<short> out(interleaved.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = short((interleaved[2 * i] + interleaved[2 * i + 1]) / 2);
  return out;
}

struct Plugin {
  void* library = nullptr;
  BeInitStreamFunction init = nullptr;
  BeEncodeChunkFunction encode = nullptr;
  BeDeinitStreamFunction deinit = nullptr;
  BeCloseStreamFunction close = nullptr;
};

std::vector<unsigned char> pluginEncode(const Plugin& p, const std::vector<short>& pcm, unsigned inputRate,
                                        unsigned piece = 0) {
  unsigned char config[SNX_BE_CONFIG_SIZE] = {};
  auto put = [&](int offset, unsigned v) {
    for (int i = 0; i < 4; ++i) config[offset + i] = (unsigned char)(v >> (8 * i));
  };
  put(SNX_BE_OFFSET_KIND, SNX_BE_CONFIG_KIND_LAME);
  put(SNX_BE_OFFSET_VERSION, 1);
  put(SNX_BE_OFFSET_SIZE, SNX_BE_CONFIG_SIZE);
  put(SNX_BE_OFFSET_INPUT_RATE, inputRate);
  put(SNX_BE_OFFSET_OUTPUT_RATE, 22050);
  put(SNX_BE_OFFSET_MODE, SNX_BE_MODE_MONO);
  put(SNX_BE_OFFSET_BITRATE, 24);
  put(SNX_BE_OFFSET_PRESET, SNX_BE_PRESET_VERY_HIGH_QUALITY);
  put(SNX_BE_OFFSET_ORIGINAL, 1);
  uint32_t chunk = 0, size = 0, written = 0;
  SnxBeStream s = nullptr;
  if (p.init(config, &chunk, &size, &s) != 0) return {};
  if (piece == 0 || piece > chunk) piece = chunk;
  std::vector<unsigned char> out, buffer(size);
  for (std::size_t done = 0; done < pcm.size(); done += piece) {
    uint32_t n = uint32_t(std::min<std::size_t>(piece, pcm.size() - done));
    p.encode(s, n, pcm.data() + done, buffer.data(), &written);
    out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  }
  p.deinit(s, buffer.data(), &written);
  out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  p.close(s);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: codec_bench <program folder> [minutes]\n");
    return 2;
  }
  double minutes = argc > 2 ? std::atof(argv[2]) : 10.0;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Plugin p;
  p.library = dlopen((std::string(argv[1]) + "/lame_enc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (p.library == nullptr) {
    std::fprintf(stderr, "cannot load lame_enc.so: %s\n", dlerror());
    return 1;
  }
  p.init = (BeInitStreamFunction)dlsym(p.library, "beInitStream");
  p.encode = (BeEncodeChunkFunction)dlsym(p.library, "beEncodeChunk");
  p.deinit = (BeDeinitStreamFunction)dlsym(p.library, "beDeinitStream");
  p.close = (BeCloseStreamFunction)dlsym(p.library, "beCloseStream");

  std::printf(
      "== LAME algorithm quality, 24 kbit/s mono at 22 050 Hz, 60 s synthetic input,\n"
      "   10-12 s recorded input; NMR and disturbed frames: lower is better\n");
  std::printf("%-7s %3s %9s %12s %9s %9s %9s %11s\n", "signal", "q", "cpu s", "correlation", "SNR dB", "LSD dB",
              "NMR dB", "disturbed%");
  std::vector<std::pair<std::string, std::vector<short>>> inputs = {
      {"music", testSignal(SignalKind::Music, 60, 22050, 1)}, {"speech", testSignal(SignalKind::Speech, 60, 22050, 1)}};
  // Recorded sound from two conformance streams of the shared test files.
  const std::pair<const char*, const char*> recorded[] = {{"l3-he44", "minimp3/l3-he_44khz.mp3"},
                                                          {"m2l3-22", "minimp3/M2L3_bitrate_22_all.mp3"}};
  for (const auto& [label, name] : recorded) {
    auto pcm = decodeToPcm(std::string(SONAFLUX_TESTDATA_DIR) + name, 22050, 1);
    if (pcm && pcm->size() > 22050 * 10) inputs.emplace_back(label, *pcm);
  }
  for (const auto& [label, input] : inputs) {
    for (int q : {0, 2, 3, 5, 7}) {
      std::vector<unsigned char> mp3;
      double t = cpuSeconds([&] { mp3 = lameEncode(input, 22050, q); });
      auto decoded = mpg123Decode(mp3);
      auto [c, snr] = match(input, decoded, 2000);
      // LAME's own delay plus the decoder's: 576 + 529 samples.
      double lsd = logSpectralDistance(input, decoded, 1105, 22050, 5000);
      auto [nmr, disturbed] = noiseToMask(input, decoded, 1105, 22050, 5500);
      std::printf("%-7s %3d %9.2f %12.5f %9.2f %9.2f %9.2f %11.1f\n", label.c_str(), q, t, c, snr, lsd, nmr, disturbed);
    }
  }

  std::printf("\n== soxr recipes alone, 60 s music, CPU s and match to the very-high recipe\n");
  std::printf("%-7s %8s %9s %12s %12s %12s\n", "from Hz", "recipe", "cpu s", "correlation", "15k alias dB",
              "19k alias dB");
  const char* recipeNames[] = {"QQ", "LQ", "MQ", "16bit", "HQ", "24bit", "VHQ"};
  for (unsigned rate : {44100u, 88200u, 8000u}) {
    auto input = testSignal(SignalKind::Music, 60, rate, 1);
    double unused = 0;
    auto best = soxrResample(input, rate, 22050, SOXR_VHQ, &unused);
    // The last row is the plug-in's setting: HQ with its passband widened.
    const std::pair<unsigned long, double> settings[] = {{SOXR_QQ, 0}, {SOXR_LQ, 0},  {SOXR_MQ, 0},
                                                         {SOXR_HQ, 0}, {SOXR_VHQ, 0}, {SOXR_HQ, 0.95}};
    for (auto [recipe, passband] : settings) {
      double t = 0;
      auto out = soxrResample(input, rate, 22050, recipe, &t, passband);
      auto [c, snr] = match(best, out, 64);
      (void)snr;
      double alias[2] = {0, 0};
      if (rate > 2 * 19000) {
        int k = 0;
        for (double f : {15000.0, 19000.0}) {
          std::vector<short> tone(rate * 2), ref(rate * 2);
          for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = short(16000 * std::sin(2 * M_PI * f * double(i) / rate));
            ref[i] = short(16000 * std::sin(2 * M_PI * 1000 * double(i) / rate));
          }
          double u = 0;
          auto a = soxrResample(tone, rate, 22050, recipe, &u, passband);
          auto b = soxrResample(ref, rate, 22050, recipe, &u, passband);
          std::span<const short> ma(a.data() + 4410, 22050), mb(b.data() + 4410, 22050);
          alias[k++] = 20 * std::log10(std::max(1e-9, rmsLevel(ma)) / rmsLevel(mb));
        }
      }
      std::string name = std::string(recipeNames[recipe]) + (passband > 0 ? "/.95" : "");
      if (rate > 2 * 19000)
        std::printf("%-7u %8s %9.3f %12.6f %12.1f %12.1f\n", rate, name.c_str(), t, c, alias[0], alias[1]);
      else
        std::printf("%-7u %8s %9.3f %12.6f %12s %12s\n", rate, name.c_str(), t, c, "-", "-");
    }
  }

  std::printf("\n== Chunk size: plug-in at 44 100 Hz, 60 s music, samples per call\n");
  std::printf("%8s %9s\n", "samples", "cpu s");
  {
    auto input = testSignal(SignalKind::Music, 60, 44100, 1);
    for (unsigned piece : {576u, 1152u, 4096u, 16384u, 32768u}) {
      double t = cpuSeconds([&] { pluginEncode(p, input, 44100, piece); });
      std::printf("%8u %9.2f\n", piece, t);
    }
  }

  std::printf(
      "\n== Plug-in against LAME's own resampling, 2 s inputs: match to the input\n"
      "   at 22 050 Hz (the plug-in should not fall below LAME)\n");
  std::printf("%-7s %8s %3s %12s %12s\n", "signal", "from Hz", "ch", "plug-in", "LAME");
  struct SweepRow {
    SignalKind kind;
    unsigned rate;
    int channels;
  };
  for (SweepRow r : {SweepRow{SignalKind::Speech, 8000, 1}, SweepRow{SignalKind::Speech, 16000, 2},
                     SweepRow{SignalKind::Music, 11025, 1}, SweepRow{SignalKind::Music, 44100, 2},
                     SweepRow{SignalKind::Music, 48000, 1}, SweepRow{SignalKind::Sweep, 32000, 2},
                     SweepRow{SignalKind::Sweep, 44100, 1}}) {
    auto signal = testSignal(r.kind, 2.0, r.rate, uint16_t(r.channels));
    // Stereo goes in as one channel at twice the rate, as the stage passes it.
    unsigned declared = r.rate * unsigned(r.channels);
    double unused = 0;
    auto reference = soxrResample(mono(signal, r.channels), r.rate, 22050, SOXR_VHQ, &unused);
    double ours = match(reference, mpg123Decode(pluginEncode(p, signal, declared)), 3000).first;
    double lame = match(reference, mpg123Decode(lameEncode(signal, int(declared), 2)), 3000).first;
    std::printf("%-7s %8u %3d %12.5f %12.5f\n", signalName(r.kind), r.rate, r.channels, ours, lame);
  }

  std::printf("\n== Whole encoder, %.0f-minute input: LAME resampling vs soxr + LAME (q 2)\n", minutes);
  std::printf("%-16s %11s %11s %12s %12s\n", "input", "LAME cpu s", "soxr cpu s", "LAME match", "soxr match");
  struct Input {
    unsigned rate;
    int channels;
  };
  for (Input in : {Input{44100, 2}, Input{44100, 1}, Input{48000, 1}, Input{11025, 1}, Input{22050, 1}}) {
    auto signal = testSignal(SignalKind::Music, minutes * 60, in.rate, uint16_t(in.channels));
    unsigned declared = in.rate * unsigned(in.channels);
    std::vector<unsigned char> viaLame, viaSoxr;
    double tLame = cpuSeconds([&] { viaLame = lameEncode(signal, int(declared), 2); });
    double tSoxr = cpuSeconds([&] { viaSoxr = pluginEncode(p, signal, declared); });
    // Reference: the input mixed to mono, at 22 050 Hz by soxr's best recipe.
    double unused = 0;
    auto reference = soxrResample(mono(signal, in.channels), in.rate, 22050, SOXR_VHQ, &unused);
    auto [cLame, sLame] = match(reference, mpg123Decode(viaLame), 3000);
    auto [cSoxr, sSoxr] = match(reference, mpg123Decode(viaSoxr), 3000);
    (void)sLame;
    (void)sSoxr;
    char name[32];
    std::snprintf(name, sizeof name, "%u Hz %s", in.rate, in.channels == 2 ? "stereo" : "mono");
    std::printf("%-16s %11.2f %11.2f %12.5f %12.5f\n", name, tLame, tSoxr, cLame, cSoxr);
  }
  return 0;
}
