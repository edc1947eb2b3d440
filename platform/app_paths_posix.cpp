#include "platform/app_paths.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace sonaflux {

namespace {

std::string withSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
  return folder;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  return home ? home : "";
}

// Reads XDG_DESKTOP_DIR="$HOME/..." from the user-dirs file.
std::string xdgDesktopFromUserDirs(const std::string& home) {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string config = configHome && *configHome ? configHome : home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DESKTOP_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    return value;
  }
  return {};
}

}  // namespace

std::string executableFolder() {
  std::vector<char> buffer(4096);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  return path.substr(0, path.find_last_of(kPathSeparator) + 1);
}

std::string userDesktopFolder() {
  std::string home = homeFolder();
  std::string desktop = xdgDesktopFromUserDirs(home);
  if (desktop.empty()) desktop = home + "/Desktop";
  return withSeparator(desktop);
}

}  // namespace sonaflux
