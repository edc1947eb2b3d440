#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace sonaflux {

/// A parse result: the value, or the name of the first field that is
/// missing or holds what this program cannot take.
template <typename T>
struct Parsed {
  std::optional<T> value;
  const char* failedField = nullptr;

  static Parsed failed(const char* field) { return {std::nullopt, field}; }
};

inline constexpr std::size_t kRiffHeaderSize = 12;
inline constexpr std::size_t kFmtFieldsSize = 16;

struct ChunkHeader {
  std::string id;  // upper-cased, so that "data" and "DATA" compare equal
  std::uint32_t size = 0;
};

struct PcmFormat {
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
};

inline constexpr const char* kRiffIdField = "RIFF id";

/// "RIFF", the RIFF size, "WAVE" (any case); the value is the RIFF size.
/// A file that does not start with "RIFF" fails with kRiffIdField.
[[nodiscard]] Parsed<std::uint32_t> parseRiffHeader(std::span<const std::uint8_t> bytes);

/// A chunk id and its 32-bit size.
[[nodiscard]] Parsed<ChunkHeader> parseChunkHeader(std::span<const std::uint8_t> bytes);

/// The first 16 bytes of a fmt chunk, accepted only for PCM with one or two
/// channels of 8 or 16 bits.
[[nodiscard]] Parsed<PcmFormat> parseFmtChunk(std::span<const std::uint8_t> bytes);

}  // namespace sonaflux
