#include "cli/open_in_browser.h"

#include <poll.h>
#include <unistd.h>

#include <iostream>

#include "cli/console_host.h"
#include "core/messages.h"
#include "platform/shell_open.h"
#include "server/preview_server.h"
#include "writers/player_copy.h"

namespace sonaflux::cli {

namespace {

constexpr int kPollMilliseconds = 200;

bool isPage(const std::string& name) { return name.size() > 4 && name.substr(name.size() - 4) == ".htm"; }

// Returns on a line (or end) of standard input, or on Ctrl-C.
void waitForEnterOrInterrupt() {
  while (!interruptRequested()) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = ::poll(&input, 1, kPollMilliseconds);
    if (ready <= 0) continue;
    char byte = 0;
    ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got <= 0 || byte == '\n') return;
  }
}

}  // namespace

bool serveInBrowser(const std::string& programFolder, const JobReport& report) {
  std::string page;
  for (const CreatedFile& file : report.createdFiles)
    if (isPage(file.name)) page = file.name;
  PreviewServer server(programPlayerFolder(programFolder));
  std::optional<std::string> address = server.addressFor(report.outputFolder, page);
  if (!address) {
    std::cerr << kMsgCannotStartServer << "\n";
    return false;
  }
  std::cout << "Serving " << *address << "\n" << std::flush;
  if (!shellOpenDocument(*address)) std::cerr << "No browser could be opened; open the address above.\n";
  std::cerr << "Press Enter or Ctrl-C to stop serving." << std::endl;
  waitForEnterOrInterrupt();
  return true;
}

}  // namespace sonaflux::cli
