#pragma once

#include <cstdint>
#include <string_view>

namespace sonaflux {

// Chunk identifiers as compared after upper-casing.
inline constexpr std::string_view kRiffId = "RIFF";
inline constexpr std::string_view kWaveId = "WAVE";
inline constexpr std::string_view kFmtChunkId = "FMT ";
inline constexpr std::string_view kDataChunkId = "DATA";

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::size_t kChunkHeaderSize = 8;

// The data chunk converter's buffers: 16-bit samples, and raw 8-bit samples.
inline constexpr std::size_t kSixteenBitBlockSize = 20000;
inline constexpr std::size_t kEightBitBlockSize = 10000;

/// 8-bit WAV samples are unsigned around 128; 16-bit ones are signed.
inline std::int16_t eightBitToSixteen(std::uint8_t sample) {
  return static_cast<std::int16_t>((static_cast<int>(sample) - 128) * 256);
}

}  // namespace sonaflux
