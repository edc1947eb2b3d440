#pragma once

// ffprobe and ffmpeg as independent oracles for files the program writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/support/process.h"

namespace sonaflux::test {

/// What ffprobe reports about the first audio stream of a file.
struct StreamInfo {
  std::string formatName;   // container, "mp3" for a bare MPEG audio stream
  std::string codecName;    // "mp3", "mp2", "pcm_s16le", ...
  int sampleRate = 0;
  int channels = 0;
  long bitRate = 0;         // bit/s, 0 when ffprobe gives none
  double duration = 0.0;    // seconds, 0 when ffprobe gives none
  long packetCount = 0;     // compressed packets (MPEG frames) actually read
};

/// ffprobe's view of a file; nullopt when ffprobe finds no audio stream.
std::optional<StreamInfo> probeAudio(const std::string& path);

/// Decodes a file with ffmpeg to 16-bit samples, interleaved. sampleRate 0
/// and channels 0 keep the stream's own; otherwise ffmpeg resamples or
/// mixes (its default down-mix averages the channels). nullopt on failure.
/// A filter (ffmpeg's -af syntax) is applied after decoding when given.
std::optional<std::vector<std::int16_t>> decodeToPcm(const std::string& path, int sampleRate = 0,
                                                     int channels = 0, const std::string& filter = "");

/// Best match of b against a within a lag window: b[i + lag] ~ a[i].
struct Correlation {
  double value = 0.0;  // normalised, -1..1, over the overlapping part
  long lag = 0;
};

/// Normalised cross-correlation of two signals at every lag from minLag to
/// maxLag; the lag with the highest value wins.
Correlation crossCorrelate(std::span<const std::int16_t> a, std::span<const std::int16_t> b,
                           long minLag, long maxLag);

/// Root mean square of a stretch of samples, in full-scale units (0..1).
double rmsLevel(std::span<const std::int16_t> samples);

}  // namespace sonaflux::test
