#include "tests/support/program_copy.h"

#include <filesystem>

#include "settings/parameters_file.h"
#include "tests/support/test_paths.h"

namespace sonaflux::test {

namespace fs = std::filesystem;

SettingsRecord testSettings(const std::string& outputFolder) {
  return {.outputFolderPath = outputFolder,
          .outputMode = kOutputModeBareLooping,
          .controllerName = "Classic01150040",
          .instruction = "c",
          .nextTipNumber = 1,
          .showTipsAtStartup = true,
          .backgroundColour = "FFFFFF",
          .textColour = "000000",
          .nextOutputNumber = 1};
}

void copyJobFiles(const std::string& folder) {
  for (const char* name : {"decoder.so", "lame_enc.so", "snx.da1"})
    fs::copy_file(programFolder() + name, folder + name);
  fs::copy(programFolder() + "Controllers", folder + "Controllers", fs::copy_options::recursive);
  if (fs::exists(programFolder() + "player"))
    fs::create_directory_symlink(programFolder() + "player", folder + "player");
}

ProgramCopy::ProgramCopy() {
  copyJobFiles(program.path());
  fs::copy_file(programFolder() + "sonaflux-cli", cli());
  saveSettings();
}

void ProgramCopy::saveSettings() { writeFileText(program.file("snx.da0"), encodeParameters(settings)); }

std::int32_t ProgramCopy::numberOnDisk() const { return readOutputNumberOnDisk(program.path()).value_or(-1); }

std::vector<std::string> ProgramCopy::argv(const std::vector<std::string>& arguments) const {
  std::vector<std::string> all = {cli()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  return all;
}

std::string ProgramCopy::input(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  writeFileBytes(inputs.file(name), bytes);
  return inputs.file(name);
}

}  // namespace sonaflux::test
