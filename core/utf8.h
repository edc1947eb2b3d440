#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

}  // namespace sonaflux
