#pragma once

#include <string>
#include <vector>

namespace sonaflux {

/// Names (without folder) of the regular files in folder whose names end in
/// suffix, in no particular order; empty when the folder cannot be read.
std::vector<std::string> filesEndingIn(const std::string& folder, const std::string& suffix);

}  // namespace sonaflux
