#pragma once

#include <string>
#include <string_view>

namespace sonaflux {

/// The instruction letter a job may use: the first character, lowered, when
/// it is a letter a-z other than "s"; anything else (none included) is "c".
inline std::string normalisedInstruction(std::string_view text) {
  if (text.empty()) return "c";
  char letter = text[0];
  if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  if (letter < 'a' || letter > 'z' || letter == 's') return "c";
  return std::string(1, letter);
}

/// A colour text as it may stand in markup: hex digits kept, anything else
/// written as "0".
inline std::string hexDigitsOnly(std::string_view text) {
  std::string out;
  for (char c : text) {
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    out += hex ? c : '0';
  }
  return out;
}

}  // namespace sonaflux
