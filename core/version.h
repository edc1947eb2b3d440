#pragma once

namespace sonaflux {

// Set from the project version by the build.
inline constexpr const char* kProgramVersion = SONAFLUX_VERSION;

}  // namespace sonaflux
