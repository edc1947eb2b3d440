#include "tests/support/manifest.h"

#include <fstream>
#include <sstream>

#include "tests/support/test_paths.h"

namespace sonaflux::test {

std::vector<ManifestRow> readManifest() {
  std::ifstream in(testDataFolder() + "manifest.tsv");
  std::vector<ManifestRow> rows;
  std::vector<std::string> columns;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    std::string cell;
    while (std::getline(stream, cell, '\t')) cells.push_back(cell);
    if (columns.empty()) {
      columns = cells;
      continue;
    }
    ManifestRow row;
    for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = i < cells.size() ? cells[i] : "";
    rows.push_back(row);
  }
  return rows;
}

}  // namespace sonaflux::test
