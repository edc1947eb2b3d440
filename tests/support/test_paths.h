#pragma once

#include <string>

namespace sonaflux::test {

// Each ends in "/".
inline std::string programFolder() { return SONAFLUX_PROGRAM_FOLDER; }
inline std::string sourceFolder() { return SONAFLUX_SOURCE_DIR; }
inline std::string testDataFolder() { return SONAFLUX_TESTDATA_DIR; }

}  // namespace sonaflux::test
