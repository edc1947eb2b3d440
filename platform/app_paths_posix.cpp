#include "platform/app_paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <fstream>
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
  std::ifstream in(userConfigFolder() + "user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DESKTOP_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
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
  // Many installations have no desktop folder; output then goes home.
  struct stat st {};
  if (::stat(desktop.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return userHomeFolder();
  return withSeparator(desktop);
}

std::string userHomeFolder() { return withSeparator(homeFolder()); }

std::string userConfigFolder() {
  // The XDG rule: a relative path is to be ignored.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome && configHome[0] == kPathSeparator) return withSeparator(configHome);
  return withSeparator(homeFolder()) + ".config" + kPathSeparator;
}

bool canWriteFolder(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (::geteuid() != 0) return ::access(folder.c_str(), W_OK | X_OK) == 0;
  if (::access(folder.c_str(), W_OK) != 0) return false;  // a read-only mount
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool makeFolders(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string path = folder;
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  const std::size_t cut = path.find_last_of(kPathSeparator);
  if (cut != std::string::npos && cut > 0 && !makeFolders(path.substr(0, cut))) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace sonaflux
