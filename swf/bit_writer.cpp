#include "swf/bit_writer.h"

#include <cassert>

namespace sonaflux::swf {

void BitWriter::writeUnsigned(std::uint32_t value, int bits) {
  assert(bits >= 0 && bits <= 32);
  for (int bit = bits - 1; bit >= 0; --bit) {
    if (m_usedBits == 0) m_bytes.push_back(0);
    if ((value >> bit) & 1u) m_bytes.back() |= static_cast<std::uint8_t>(0x80u >> m_usedBits);
    m_usedBits = (m_usedBits + 1) % 8;
  }
}

void BitWriter::writeSigned(std::int32_t value, int bits) {
  assert(bits == 32 || (bits > 0 && signedBitsFor(value) <= bits) || (bits == 0 && value == 0));
  writeUnsigned(static_cast<std::uint32_t>(value), bits);
}

void BitWriter::align() { m_usedBits = 0; }

std::vector<std::uint8_t> BitWriter::finish() {
  align();
  return std::move(m_bytes);
}

void BitWriter::finishInto(std::vector<std::uint8_t>& out) {
  const std::vector<std::uint8_t> bytes = finish();
  out.insert(out.end(), bytes.begin(), bytes.end());
}

int signedBitsFor(std::int32_t value) {
  if (value == 0) return 0;
  std::uint32_t magnitude = value < 0 ? ~static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  return unsignedBitsFor(magnitude) + 1;  // one more for the sign
}

int unsignedBitsFor(std::uint32_t value) {
  int bits = 0;
  while (value != 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

}  // namespace sonaflux::swf
