#pragma once

#include <cstdint>
#include <vector>

namespace sonaflux::swf {

/// Packs bit fields most significant bit first, as SWF records are laid out.
class BitWriter {
 public:
  void writeUnsigned(std::uint32_t value, int bits);
  void writeSigned(std::int32_t value, int bits);
  void writeFlag(bool value) { writeUnsigned(value ? 1 : 0, 1); }
  /// Pads the last byte with zero bits.
  void align();
  /// The packed bytes, aligned.
  std::vector<std::uint8_t> finish();
  /// Appends the packed bytes, aligned, to out.
  void finishInto(std::vector<std::uint8_t>& out);

 private:
  std::vector<std::uint8_t> m_bytes;
  int m_usedBits = 0;  // bits used in the last byte, 0 when aligned
};

/// Bits a signed field needs to hold value (0 for 0).
int signedBitsFor(std::int32_t value);
/// Bits an unsigned field needs to hold value (0 for 0).
int unsignedBitsFor(std::uint32_t value);

}  // namespace sonaflux::swf
