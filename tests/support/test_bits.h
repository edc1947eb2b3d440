#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tests/support/temp_folder.h"

namespace sonaflux::swf::test {

// Bytes from '0's and '1's (anything else ignored), most significant bit first,
// the last byte padded with zeros: a bit-packed record written field by field.
inline std::vector<std::uint8_t> bitsToBytes(std::string_view bits) {
  std::vector<std::uint8_t> out;
  int used = 0;
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    if (used == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<std::uint8_t>(0x80 >> used);
    used = (used + 1) % 8;
  }
  return out;
}

using sonaflux::test::concat;

}  // namespace sonaflux::swf::test
