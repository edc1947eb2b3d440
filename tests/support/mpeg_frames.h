#pragma once

// A Layer III frame walker that knows MPEG audio headers apart from the program's own parser.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace sonaflux::test {

struct MpegFrame {
  std::size_t offset = 0, size = 0;
  int version = 0;  // 1, 2, or 25 for MPEG-2.5
  int bitrate = 0;  // kbit/s
  int sampleRate = 0;
  bool padding = false, mono = false, original = false, crc = false;
};

/// Every frame of a stream that is nothing but Layer III frames back to back; nullopt when
/// something else turns up.
inline std::optional<std::vector<MpegFrame>> walkLayer3Frames(std::span<const std::uint8_t> data) {
  static const int kMpeg1Rates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  static const int kMpeg2Rates[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static const int kBaseRates[] = {44100, 48000, 32000};
  std::vector<MpegFrame> frames;
  for (std::size_t offset = 0; offset < data.size();) {
    if (offset + 4 > data.size()) return std::nullopt;
    const std::uint8_t* h = data.data() + offset;
    const int versionBits = (h[1] >> 3) & 3, bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3;
    // Not a sync, a reserved version, not Layer III, free format or a forbidden field.
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || versionBits == 1 || ((h[1] >> 1) & 3) != 1 || bitrateIndex == 0 ||
        bitrateIndex == 15 || rateIndex == 3)
      return std::nullopt;
    const int version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const int bitrate = version == 1 ? kMpeg1Rates[bitrateIndex] : kMpeg2Rates[bitrateIndex];
    const int rate = kBaseRates[rateIndex] / (version == 1 ? 1 : version == 2 ? 2 : 4);
    const bool padding = (h[2] >> 1) & 1;
    const std::size_t size = std::size_t((version == 1 ? 144 : 72) * bitrate * 1000 / rate) + padding;
    if (offset + size > data.size()) return std::nullopt;
    frames.push_back(
        {offset, size, version, bitrate, rate, padding, (h[3] >> 6) == 3, bool((h[3] >> 2) & 1), (h[1] & 1) == 0});
    offset += size;
  }
  return frames;
}

}  // namespace sonaflux::test
