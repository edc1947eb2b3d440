#include "engine/job_recovery.h"

#include <filesystem>
#include <set>
#include <optional>
#include <vector>

#include "platform/file.h"
#include "settings/parameters_file.h"

namespace sonaflux {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTempSuffixes[] = {".tmp1", ".tmp2", ".tmp3"};

// The base name "snx<K>" of a temporary file's name, K a decimal number.
std::optional<std::string> baseOfTemporary(const std::string& name) {
  if (name.size() < 8 || name.compare(0, 3, "snx") != 0) return std::nullopt;
  std::string base = name.substr(0, name.size() - 5);
  std::string suffix = name.substr(name.size() - 5);
  bool known = false;
  for (const char* s : kTempSuffixes) known = known || suffix == s;
  if (!known) return std::nullopt;
  std::size_t digits = 3;
  if (digits < base.size() && base[digits] == '-') ++digits;
  if (digits == base.size()) return std::nullopt;
  for (std::size_t i = digits; i < base.size(); ++i)
    if (base[i] < '0' || base[i] > '9') return std::nullopt;
  return base;
}

// Holds a leftover under the lock; false when it is gone or a running job holds it.
bool holdIfFree(const std::string& path, File& file) {
  return file.openExisting(path, FileAccess::Read, true) && file.isRegular();
}

// One killed job's set: all its temporaries free, then they and the set's
// empty output files go.
void recoverSet(const std::string& folder, const std::string& base) {
  std::vector<File> held;
  std::vector<std::string> doomed;
  for (const char* suffix : kTempSuffixes) {
    const std::string path = folder + base + suffix;
    if (!fileExists(path)) continue;
    File file;
    if (!holdIfFree(path, file)) return;  // a job of another program is using this set
    held.push_back(std::move(file));
    doomed.push_back(path);
  }
  std::vector<std::string> outputs = {folder + base + "s.swf", folder + base + ".htm", folder + base + ".mp3"};
  // Controller animations: any instruction letter but "s", which names the stream.
  for (char letter = 'a'; letter <= 'z'; ++letter)
    if (letter != 's') outputs.push_back(folder + base + letter + ".swf");
  for (const std::string& path : outputs) {
    File file;
    if (!fileExists(path) || !holdIfFree(path, file) || file.size().value_or(1) != 0) continue;
    held.push_back(std::move(file));
    doomed.push_back(path);
  }
  for (const std::string& path : doomed) deleteFile(path);
}

}  // namespace

void recoverLeftovers(const std::string& settingsFolder, const std::string& outputFolder) {
  std::set<std::string> bases;
  std::error_code error;
  for (fs::directory_iterator it(outputFolder, error), end; !error && it != end; it.increment(error)) {
    if (std::optional<std::string> base = baseOfTemporary(it->path().filename().string())) bases.insert(*base);
  }
  for (const std::string& base : bases) recoverSet(outputFolder, base);

  // A save writes this file and renames it at once; one that is still here
  // and not being written was left by a job that died in between.
  const std::string staleSave = settingsFolder + kParametersFileName + kParametersTemporarySuffix;
  File save;
  if (fileExists(staleSave) && holdIfFree(staleSave, save)) deleteFile(staleSave);
}

}  // namespace sonaflux
