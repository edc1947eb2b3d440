// Writes the controller preview page of a program folder, as the Options
// window does, for the browser tests: write_preview_page PROGRAM_FOLDER BACKGROUND TEXT
#include <cstdio>

#include "tests/support/recording_host.h"
#include "writers/controller_list.h"
#include "writers/preview_page_writer.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: write_preview_page PROGRAM_FOLDER BACKGROUND TEXT\n");
    return 2;
  }
  using namespace sonaflux;
  const std::string program = std::string(argv[1]) + "/";
  test::RecordingHost host;
  ApplicationPaths paths;
  paths.programFolder = program;
  const bool written = writePreviewPage(host, paths, listControllers(controllersFolder(program)), argv[2], argv[3]);
  for (const std::string& text : host.texts()) std::fprintf(stderr, "%s\n", text.c_str());
  if (written) std::printf("%s\n", previewPagePath(program).c_str());
  return written ? 0 : 1;
}
