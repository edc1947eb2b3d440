#include "tests/support/manifest.h"

#include <fstream>
#include <sstream>

#include "tests/support/test_paths.h"

namespace sonaflux::test {

std::vector<ManifestRow> readManifest() {
  std::ifstream in(testDataFolder() + "manifest.tsv");
  std::vector<ManifestRow> rows;
  std::vector<std::string> columns;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    for (std::string cell; std::getline(stream, cell, '\t');) cells.push_back(cell);
    if (columns.empty()) {
      columns = cells;
      continue;
    }
    ManifestRow& row = rows.emplace_back();
    for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = i < cells.size() ? cells[i] : "";
  }
  return rows;
}

}  // namespace sonaflux::test
