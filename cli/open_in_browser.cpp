#include "cli/open_in_browser.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/console_host.h"
#include "core/messages.h"
#include "platform/shell_open.h"
#include "server/preview_server.h"
#include "writers/player_copy.h"

namespace sonaflux::cli {

namespace {

constexpr int kPollMilliseconds = 200;

bool isPage(const std::string& name) { return name.size() > 4 && name.substr(name.size() - 4) == ".htm"; }

// Returns on Ctrl-C (or another stop signal), or on a line typed at a
// terminal. Input that is not a terminal, or ends, only stops being read:
// a server started from a script or with </dev/null keeps serving.
void waitUntilStopped(bool enterStops) {
  bool reading = enterStops;
  while (!interruptRequested()) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = ::poll(&input, reading ? 1 : 0, kPollMilliseconds);
    if (ready <= 0) continue;
    char byte = 0;
    ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got <= 0)
      reading = false;
    else if (byte == '\n')
      return;
  }
}

bool serve(const std::string& programFolder, const std::string& folder, const std::string& page,
           const std::vector<std::string>& files) {
  PreviewServer server(programPlayerFolder(programFolder));
  std::optional<std::string> address = server.addressFor(folder, page, files);
  if (!address) {
    std::cerr << kMsgCannotStartServer << "\n";
    return false;
  }
  // The address holds the server's key: it goes to this user's output only.
  std::cout << "Serving " << *address << "\n" << std::flush;
  std::optional<std::string> opener = server.forwardingPageFor(*address);
  if (!opener || !shellOpenDocument(*opener)) std::cerr << "No browser could be opened; open the address above.\n";
  const bool enterStops = ::isatty(STDIN_FILENO) == 1;
  std::cerr << (enterStops ? "Press Enter or Ctrl-C to stop serving." : "Press Ctrl-C to stop serving.") << std::endl;
  waitUntilStopped(enterStops);
  return true;
}

}  // namespace

bool serveInBrowser(const std::string& programFolder, const JobReport& report) {
  std::string page;
  std::vector<std::string> files;
  for (const CreatedFile& file : report.createdFiles) {
    files.push_back(file.name);
    if (isPage(file.name)) page = file.name;
  }
  return serve(programFolder, report.outputFolder, page, files);
}

bool serveExistingSet(const std::string& programFolder, const std::string& folder, const std::string& page) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::cerr << "Error: The folder \"" << folder << "\" does not exist.\n";
    return false;
  }
  std::optional<std::string> shown = page.empty() ? newestOutputPage(folder) : std::optional<std::string>(page);
  std::vector<std::string> files = shown ? outputSetFiles(folder, *shown) : std::vector<std::string>{};
  if (!shown || std::find(files.begin(), files.end(), *shown) == files.end()) {
    std::cerr << "Error: No output page " << (page.empty() ? "" : "\"" + page + "\" ") << "in \"" << folder << "\".\n";
    return false;
  }
  return serve(programFolder, folder, *shown, files);
}

}  // namespace sonaflux::cli
