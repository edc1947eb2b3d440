#pragma once

// The shared test files' manifest: one row per file, cells by column name.

#include <map>
#include <string>
#include <vector>

namespace sonaflux::test {

using ManifestRow = std::map<std::string, std::string>;

/// Every row of manifest.tsv in the shared test data folder.
std::vector<ManifestRow> readManifest();

}  // namespace sonaflux::test
