// Writes every shipped controller, its twin for pages without a Flash player
// and its one-line description into the folder given on the command line
// (the program folder's Controllers folder).
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/controllers/controller_design.h"
#include "tools/controllers/controller_movie.h"
#include "tools/controllers/controller_twin.h"

namespace {

bool writeFile(const std::filesystem::path& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    std::fprintf(stderr, "Cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_controllers FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const auto& design : sonaflux::controllers::shippedDesigns()) {
    const auto movie = sonaflux::controllers::buildController(design);
    if (!movie) {
      std::fprintf(stderr, "Controller %s does not assemble\n", design.name.c_str());
      return 1;
    }
    const std::string description = design.description + "\r\n";
    const std::string twin = sonaflux::controllers::buildControllerTwin(design);
    if (!writeFile(folder / (design.name + ".swf"), movie->data(), movie->size())) return 1;
    if (!writeFile(folder / (design.name + ".htm"), twin.data(), twin.size())) return 1;
    if (!writeFile(folder / (design.name + ".txt"), description.data(), description.size())) return 1;
  }
  return 0;
}
