#include "audio/riff_chunks.h"

#include <cctype>

#include "audio/riff_types.h"
#include "core/byte_order.h"

namespace sonaflux {

namespace {

constexpr std::size_t kIdSize = 4;

std::optional<std::string> upperId(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset + kIdSize > bytes.size()) return std::nullopt;
  std::string id;
  for (std::size_t i = 0; i < kIdSize; ++i) id += static_cast<char>(std::toupper(bytes[offset + i]));
  return id;
}

}  // namespace

Parsed<std::uint32_t> parseRiffHeader(std::span<const std::uint8_t> bytes) {
  if (upperId(bytes, 0) != kRiffId) return Parsed<std::uint32_t>::failed(kRiffIdField);
  std::optional<std::uint32_t> size = readU32(bytes, 4);
  if (!size) return Parsed<std::uint32_t>::failed("RIFF size");
  if (upperId(bytes, 8) != kWaveId) return Parsed<std::uint32_t>::failed("WAVE id");
  return {size};
}

Parsed<ChunkHeader> parseChunkHeader(std::span<const std::uint8_t> bytes) {
  std::optional<std::string> id = upperId(bytes, 0);
  if (!id) return Parsed<ChunkHeader>::failed("chunk id");
  std::optional<std::uint32_t> size = readU32(bytes, kIdSize);
  if (!size) return Parsed<ChunkHeader>::failed("chunk size");
  return {ChunkHeader{*id, *size}};
}

Parsed<PcmFormat> parseFmtChunk(std::span<const std::uint8_t> bytes) {
  using Result = Parsed<PcmFormat>;
  std::optional<std::uint16_t> formatTag = readU16(bytes, 0);
  if (formatTag != kWaveFormatPcm) return Result::failed("format tag");
  std::optional<std::uint16_t> channels = readU16(bytes, 2);
  if (channels != 1 && channels != 2) return Result::failed("channels");
  std::optional<std::uint32_t> sampleRate = readU32(bytes, 4);
  if (!sampleRate) return Result::failed("sample rate");
  // Byte rate and block alignment follow from the rest; nothing reads them.
  std::optional<std::uint16_t> bits = readU16(bytes, 14);
  if (bits != 8 && bits != 16) return Result::failed("bits per sample");
  return {PcmFormat{*channels, *sampleRate, *bits}};
}

}  // namespace sonaflux
