#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sonaflux {

inline constexpr const char* kTipsFileName = "tips.da0";

/// One line of the tips file and its number (counted from 1).
struct Tip {
  std::string text;
  std::int32_t number = 1;

  bool operator==(const Tip&) const = default;
};

/// Longer tips are cut to this many bytes for display.
inline constexpr std::size_t kMaxTipLength = 4 * 1024;

/// Picks tip `requested` from the text of a tips file, one tip a line, cut
/// to kMaxTipLength bytes without splitting a UTF-8 character.
/// A number past the end wraps to tip 1; 0 gives the last tip; a negative
/// number matches nothing and comes back unchanged with an empty text.
Tip pickTip(std::string_view fileText, std::int32_t requested);

/// Reads programFolder + "tips.da0" and picks as above; an unreadable file,
/// or one that is no regular file, gives an empty text and the number 1.
Tip readTip(const std::string& programFolder, std::int32_t requested);

/// The number the tip window asks for when it steps by delta (+1 or -1) from
/// the tip shown last; held at the ends of the number range.
std::int32_t steppedTipNumber(std::int32_t current, int delta);

}  // namespace sonaflux
