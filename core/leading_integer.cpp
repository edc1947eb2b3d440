#include "core/leading_integer.h"

#include <limits>

namespace sonaflux {

std::int32_t leadingInteger(std::string_view text) {
  constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kLeast = std::numeric_limits<std::int32_t>::min();
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  // Past -kLeast the value is clamped anyway; stopping there keeps it in range.
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= -kLeast; ++i)
    value = value * 10 + (text[i] - '0');
  if (negative) value = -value;
  if (value > kMost) value = kMost;
  if (value < kLeast) value = kLeast;
  return static_cast<std::int32_t>(value);
}

}  // namespace sonaflux
