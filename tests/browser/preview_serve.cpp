// Serves one folder through the program's preview server until standard
// input ends, for the browser tests: prints the address of the page.
#include <iostream>
#include <string>

#include "server/preview_server.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: preview_serve PLAYER_FOLDER FOLDER PAGE\n";
    return 2;
  }
  sonaflux::PreviewServer server(argv[1]);
  std::optional<std::string> address = server.addressFor(argv[2], argv[3]);
  if (!address) return 1;
  std::cout << "Serving " << *address << std::endl;
  std::string line;
  std::getline(std::cin, line);
  return 0;
}
