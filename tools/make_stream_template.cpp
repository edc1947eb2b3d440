// Writes the header template of the streaming animation ("snx.da1") to the
// path given as the only argument.
#include <cstdio>
#include <fstream>

#include "writers/sound_stream_tags.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_stream_template <output file>\n");
    return 2;
  }
  std::vector<std::uint8_t> bytes = sonaflux::streamHeaderTemplate();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_stream_template: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
