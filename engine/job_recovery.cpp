#include "engine/job_recovery.h"

#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "platform/file.h"
#include "settings/parameters_file.h"
#include "writers/output_naming.h"

namespace sonaflux {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTempSuffixes[] = {".tmp1", ".tmp2", ".tmp3"};

bool isBaseName(const std::string& base) {
  if (base.size() < 4 || base.compare(0, 3, "snx") != 0) return false;
  std::size_t digits = 3;
  if (base[digits] == '-') ++digits;
  if (digits == base.size()) return false;
  for (std::size_t i = digits; i < base.size(); ++i)
    if (base[i] < '0' || base[i] > '9') return false;
  return true;
}

// The base name "snx<K>" of a temporary file's name, K a decimal number:
// "snx<K>.tmp1" to ".tmp3", or an output file's name with ".new" added.
std::optional<std::string> baseOfTemporary(const std::string& name) {
  std::string base;
  for (const char* suffix : kTempSuffixes)
    if (name.ends_with(suffix)) base = name.substr(0, name.size() - 5);
  const std::string replacement = kReplacementSuffix;
  if (name.ends_with(".htm" + replacement) || name.ends_with(".mp3" + replacement))
    base = name.substr(0, name.size() - 4 - replacement.size());
  // "snx<K>" and an instruction letter: the stream's "s" or a controller's.
  if (name.ends_with(".swf" + replacement) && name.size() >= 9 + replacement.size())
    base = name.substr(0, name.size() - 5 - replacement.size());
  if (!isBaseName(base)) return std::nullopt;
  return base;
}

// Holds a leftover under the lock; false when it is gone or a running job holds it.
bool holdIfFree(const std::string& path, File& file) {
  return file.openExisting(path, FileAccess::Read, true) && file.isRegular();
}

// One killed job's set: all its temporary files free, then they and the
// set's empty output files go. An earlier file it was to replace stays, and
// so does a link: no job makes one.
void recoverSet(const std::string& folder, const std::string& base) {
  std::vector<std::string> outputs = {folder + base + "s.swf", folder + base + ".htm", folder + base + ".mp3"};
  // Controller animations: any instruction letter but "s", which names the stream.
  for (char letter = 'a'; letter <= 'z'; ++letter)
    if (letter != 's') outputs.push_back(folder + base + letter + ".swf");
  std::vector<std::string> temporaries;
  for (const char* suffix : kTempSuffixes) temporaries.push_back(folder + base + suffix);
  for (const std::string& path : outputs) temporaries.push_back(path + kReplacementSuffix);

  std::vector<File> held;
  std::vector<std::string> doomed;
  for (const std::string& path : temporaries) {
    if (!fileExists(path) || isSymbolicLink(path)) continue;
    File file;
    if (!holdIfFree(path, file)) return;  // a job of another program is using this set
    held.push_back(std::move(file));
    doomed.push_back(path);
  }
  for (const std::string& path : outputs) {
    File file;
    if (!fileExists(path) || isSymbolicLink(path) || !holdIfFree(path, file) || file.size().value_or(1) != 0) continue;
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
  if (fileExists(staleSave) && !isSymbolicLink(staleSave) && holdIfFree(staleSave, save)) deleteFile(staleSave);
}

}  // namespace sonaflux
