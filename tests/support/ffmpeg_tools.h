#pragma once

// ffprobe and ffmpeg as independent oracles for files the program writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/support/process.h"

namespace sonaflux::test {

// What ffprobe reports about the first audio stream of a file; 0 where it gives nothing.
struct StreamInfo {
  int sampleRate = 0;
  int channels = 0;
  long packetCount = 0;  // compressed packets (MPEG frames) actually read
};

// nullopt when ffprobe finds no audio stream.
std::optional<StreamInfo> probeAudio(const std::string& path);

// 16-bit samples, interleaved; rate and channels 0 keep the stream's own, else
// ffmpeg resamples or mixes (averaging the channels). nullopt on failure.
std::optional<std::vector<std::int16_t>> decodeToPcm(const std::string& path, int sampleRate = 0, int channels = 0);

// Best match of b against a: b[i + lag] ~ a[i], value normalised over the overlap.
struct Correlation {
  double value = 0.0;
  long lag = 0;
};

Correlation crossCorrelate(std::span<const std::int16_t> a, std::span<const std::int16_t> b, long minLag, long maxLag);

// Root mean square, full scale 1.
double rmsLevel(std::span<const std::int16_t> samples);

}  // namespace sonaflux::test
