#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/settings_record.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace sonaflux::test {

// What a run leaves behind: the output folder's names and the number on disk.
using Left = std::pair<std::vector<std::string>, std::int32_t>;

// Bare looping output into outputFolder, controller Classic01150040 with
// instruction c, black on white, output number 1.
SettingsRecord testSettings(const std::string& outputFolder);

// Copies what a job needs from the built program folder: the plug-ins, the
// stream template and the controllers; the player is linked.
void copyJobFiles(const std::string& folder);

// A private program folder with the command-line front end and what a job
// needs, its settings writing into `output`, to run it as a user would.
struct ProgramCopy {
  ProgramCopy();
  void saveSettings();
  std::int32_t numberOnDisk() const;
  Left left() const { return {output.entries(), numberOnDisk()}; }
  std::string cli() const { return program.file("sonaflux-cli"); }
  std::vector<std::string> argv(const std::vector<std::string>& arguments) const;
  ProcessResult run(const std::vector<std::string>& arguments) const {
    return runProcess(argv(arguments));
  }
  // Writes the file into `inputs`; its path.
  std::string input(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

  TempFolder program, inputs, output;
  SettingsRecord settings = testSettings(output.path());
};

}  // namespace sonaflux::test
