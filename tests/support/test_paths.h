#pragma once

#include <string>

namespace sonaflux::test {

/// The build's program folder, ending in "/".
inline std::string programFolder() { return SONAFLUX_PROGRAM_FOLDER; }
/// The source tree, ending in "/".
inline std::string sourceFolder() { return SONAFLUX_SOURCE_DIR; }
/// The shared real-world test files, ending in "/".
inline std::string testDataFolder() { return SONAFLUX_TESTDATA_DIR; }

}  // namespace sonaflux::test
