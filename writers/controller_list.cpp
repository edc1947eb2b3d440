#include "writers/controller_list.h"

#include <algorithm>

#include "platform/app_paths.h"
#include "platform/directory_listing.h"
#include "platform/file.h"

namespace sonaflux {

namespace {

constexpr const char* kControllerSuffix = ".swf";
constexpr std::size_t kMinimumNameLength = 9;
constexpr std::size_t kCodeLength = 8;

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string loweredText(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = lowered(c);
  return out;
}

bool beginsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (lowered(text[i]) != lowered(prefix[i])) return false;
  return true;
}

// Leading blanks and a sign accepted, reading stops at the first non-digit,
// no digits read as 0: the way controller codes have always been read.
int decimalField(const std::string& field) {
  std::size_t i = 0;
  while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  int value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
  return negative ? -value : value;
}

bool listedBefore(const std::string& a, const std::string& b) {
  // A list box sorts without regard to case; ties keep a fixed order.
  std::string la = loweredText(a), lb = loweredText(b);
  return la != lb ? la < lb : a < b;
}

void addControllersOf(const std::string& folder, std::vector<std::string>& names) {
  const std::string suffix = kControllerSuffix;
  for (const std::string& file : filesEndingIn(folder, suffix)) {
    std::string name = file.substr(0, file.size() - suffix.size());
    if (loweredText(name) != "preview") names.push_back(std::move(name));
  }
}

}  // namespace

std::string controllersFolder(const std::string& folder) { return folder + "Controllers" + kPathSeparator; }

std::vector<std::string> listControllers(const std::string& folder) {
  std::vector<std::string> names;
  addControllersOf(folder, names);
  std::sort(names.begin(), names.end(), listedBefore);
  return names;
}

std::vector<std::string> listControllers(const ApplicationPaths& paths) {
  std::vector<std::string> names;
  addControllersOf(controllersFolder(paths.programFolder), names);
  if (paths.writableFolder() != paths.programFolder) addControllersOf(controllersFolder(paths.writableFolder()), names);
  std::sort(names.begin(), names.end(), listedBefore);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::string controllerFolderFor(const ApplicationPaths& paths, const std::string& name) {
  const std::string own = controllersFolder(paths.writableFolder());
  if (fileExists(own + name + kControllerSuffix)) return own;
  return controllersFolder(paths.programFolder);
}

std::optional<std::size_t> selectedController(const std::vector<std::string>& entries, const std::string& storedName) {
  const std::size_t count = entries.size();
  for (std::size_t step = 0; step < count; ++step) {
    std::size_t index = (1 + step) % count;
    if (beginsWithIgnoringCase(entries[index], storedName)) return index;
  }
  return std::nullopt;
}

ControllerCode controllerCode(const std::string& name) {
  if (name.size() < kCodeLength) return {};
  std::string code = name.substr(name.size() - kCodeLength);
  return {decimalField(code.substr(0, 2)), decimalField(code.substr(2, 3)), decimalField(code.substr(5, 3))};
}

ControllerNaming checkControllerName(const std::string& name) {
  if (name.size() < kMinimumNameLength) return ControllerNaming::TooShort;
  ControllerCode code = controllerCode(name);
  if (code.first == 0 || code.width == 0 || code.height == 0) return ControllerNaming::ZeroInCode;
  return ControllerNaming::Correct;
}

}  // namespace sonaflux
