#include "tests/support/program_copy.h"

#include <filesystem>

#include "settings/parameters_file.h"
#include "tests/support/test_paths.h"

namespace sonaflux::test {

namespace fs = std::filesystem;

SettingsRecord testSettings(const std::string& outputFolder) {
  SettingsRecord s;
  s.toDesktop = false;
  s.outputFolderPath = outputFolder;
  s.outputMode = kOutputModeBareLooping;
  s.controllerName = "Classic01150040";
  s.instruction = "c";
  s.nextTipNumber = 1;
  s.showTipsAtStartup = true;
  s.backgroundColour = "FFFFFF";
  s.textColour = "000000";
  s.nextOutputNumber = 1;
  return s;
}

void copyJobFiles(const std::string& folder) {
  for (const char* name : {"decoder.so", "lame_enc.so", "snx.da1"}) fs::copy_file(programFolder() + name, folder + name);
  fs::copy(programFolder() + "Controllers", folder + "Controllers", fs::copy_options::recursive);
  if (fs::exists(programFolder() + "player")) fs::create_directory_symlink(programFolder() + "player", folder + "player");
}

ProgramCopy::ProgramCopy(const std::string& outputFolder) {
  for (const auto& entry : fs::directory_iterator(programFolder())) {
    std::string name = entry.path().filename().string();
    if (name == "sonaflux_tests" || name == "snx.da0" || name == "snx.lock") continue;
    // The player is only read, and large: shared rather than copied.
    if (name == "player") {
      fs::create_directory_symlink(entry.path(), program.file(name));
      continue;
    }
    fs::copy(entry.path(), program.file(name), fs::copy_options::recursive);
  }
  settings = testSettings(outputFolder);
  saveSettings();
}

void ProgramCopy::saveSettings() { writeFileText(program.file("snx.da0"), encodeParameters(settings)); }

std::int32_t ProgramCopy::numberOnDisk() const {
  return readOutputNumberOnDisk(program.path()).value_or(-1);
}

ProcessResult ProgramCopy::run(const std::vector<std::string>& arguments, const ProcessOptions& options) const {
  std::vector<std::string> argv = {cli()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runProcess(argv, options);
}

}  // namespace sonaflux::test
