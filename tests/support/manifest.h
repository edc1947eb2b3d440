#pragma once

#include <map>
#include <string>
#include <vector>

namespace sonaflux::test {

/// One file of the shared test data: cells by column name.
using ManifestRow = std::map<std::string, std::string>;

std::vector<ManifestRow> readManifest();

}  // namespace sonaflux::test
