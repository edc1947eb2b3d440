#pragma once

#include <memory>
#include <string>

#include "core/app_context.h"
#include "engine/create_command.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux::test {

/// A complete job set-up on real files: a private program folder holding
/// copies of the built plug-ins and data files, an output folder, settings
/// saved in the program folder, progress bars and a recording Host.
class JobFixture {
 public:
  JobFixture();

  /// Writes an input file into the input folder and points the job at it.
  std::string setInput(const std::string& name, const std::vector<std::uint8_t>& bytes);
  /// Saves the current settings to the program folder's parameters file.
  void saveSettings();
  /// Runs the create command as every front end does.
  JobReport run();

  std::string outputFile(const std::string& name) const { return output.file(name); }
  std::int32_t numberOnDisk() const;

  TempFolder program;
  TempFolder output;
  TempFolder inputs;
  RecordingHost host;
  AppContext ctx{host};
  RecordingProgressBar read, decode, compress, write;
};

}  // namespace sonaflux::test
