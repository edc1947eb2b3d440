// Serves one folder through the program's preview server until standard
// input ends, for the browser tests: prints the address of the page.
#include <iostream>
#include <string>
#include <vector>

#include "server/preview_server.h"
#include "writers/controller_list.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: preview_serve PLAYER_FOLDER FOLDER PAGE\n";
    return 2;
  }
  sonaflux::PreviewServer server(argv[1]);
  // An output page with its set; any other page (the controllers' preview)
  // with the controllers of its folder.
  std::vector<std::string> files = sonaflux::outputSetFiles(argv[2], argv[3]);
  if (files.empty())
    for (const std::string& name : sonaflux::listControllers(argv[2])) {
      files.push_back(name + ".swf");
      files.push_back(name + ".htm");
    }
  std::optional<std::string> address = server.addressFor(argv[2], argv[3], files);
  if (!address) return 1;
  std::cout << "Serving " << *address << std::endl;
  std::string line;
  std::getline(std::cin, line);
  return 0;
}
