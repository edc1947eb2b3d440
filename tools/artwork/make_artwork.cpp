// Writes the desktop program's pictures and click sounds into the folder
// given on the command line.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/artwork/artwork_set.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_artwork FOLDER FONT.ttf\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::string error;
  if (!sonaflux::artwork::writeArtwork(folder, argv[2], error)) {
    std::fprintf(stderr, "make_artwork: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
