#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sonaflux {

inline void appendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

inline void storeU16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value & 0xFF);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void storeU32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

inline std::optional<std::uint16_t> readU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset + 2 > bytes.size()) return std::nullopt;
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::optional<std::uint32_t> readU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset + 4 > bytes.size()) return std::nullopt;
  return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) | (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

/// A 28-bit size stored in four bytes of seven bits each, most significant
/// first, as ID3v2 tags keep them; the top bit of each byte is ignored.
inline std::uint32_t synchsafe32(std::span<const std::uint8_t> b) {
  return std::uint32_t{b[0] & 0x7Fu} << 21 | std::uint32_t{b[1] & 0x7Fu} << 14 | std::uint32_t{b[2] & 0x7Fu} << 7 |
         (b[3] & 0x7Fu);
}

/// A 16-bit signed sample stored low byte first.
inline std::int32_t sampleAt(const std::uint8_t* bytes) {
  std::int32_t value = bytes[0] | (bytes[1] << 8);
  return value > 32767 ? value - 65536 : value;
}

}  // namespace sonaflux
