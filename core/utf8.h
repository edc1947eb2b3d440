#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonaflux {

struct Utf8Char {
  std::uint32_t codePoint = 0;
  std::size_t length = 0;  // bytes of the sequence
};

/// The well-formed UTF-8 sequence starting at text[at]; nullopt for a stray
/// continuation byte, a cut sequence, an overlong form, a surrogate or a
/// value past U+10FFFF.
std::optional<Utf8Char> decodeUtf8(std::string_view text, std::size_t at);

/// Appends the Latin-1 (ISO-8859-1) character byte to out as UTF-8.
inline void appendLatin1AsUtf8(std::string& out, std::uint8_t byte) {
  if (byte < 0x80) {
    out += static_cast<char>(byte);
    return;
  }
  out += static_cast<char>(0xC0 | (byte >> 6));
  out += static_cast<char>(0x80 | (byte & 0x3F));
}

}  // namespace sonaflux
