#pragma once

#include <string>
#include <vector>

#include "core/settings_record.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace sonaflux::test {

/// Settings for tests: bare looping output into outputFolder, controller
/// Classic01150040 with instruction c, black on white, output number 1.
SettingsRecord testSettings(const std::string& outputFolder);

/// Copies what a job needs from the built program folder into folder: the
/// plug-ins, the stream template and the controllers; the player is linked.
void copyJobFiles(const std::string& folder);

/// A private copy of the built program folder with settings of its own, for
/// running the command-line front end as a user would.
class ProgramCopy {
 public:
  /// Bare looping output into outputFolder, output number 1.
  explicit ProgramCopy(const std::string& outputFolder);

  void saveSettings();
  std::int32_t numberOnDisk() const;
  std::string cli() const { return program.file("sonaflux-cli"); }
  /// Runs sonaflux-cli with the arguments.
  ProcessResult run(const std::vector<std::string>& arguments, const ProcessOptions& options = {}) const;

  TempFolder program;
  SettingsRecord settings;
};

}  // namespace sonaflux::test
