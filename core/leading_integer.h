#pragma once

#include <cstdint>
#include <string_view>

namespace sonaflux {

/// The decimal integer text starts with, after optional blanks (spaces and
/// tabs) and a sign; reading stops at the first other character. 0 when
/// there are no digits; values beyond 32 bits are held at the nearest limit.
std::int32_t leadingInteger(std::string_view text);

}  // namespace sonaflux
