#pragma once

#include <string>

#include "core/app_context.h"
#include "engine/create_command.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux::test {

// A job on real files: a private program folder holding copies of the built
// plug-ins and data files, settings saved there, progress bars and a recording Host
class JobFixture {
 public:
  JobFixture();

  // Writes the file into `inputs` and points the job at it.
  std::string setInput(const std::string& name, const std::vector<std::uint8_t>& bytes);
  void saveSettings();
  JobReport run();

  std::string outputFile(const std::string& name) const { return output.file(name); }
  std::int32_t numberOnDisk() const;

  TempFolder program, output, inputs;
  RecordingHost host;
  AppContext ctx{host};
  RecordingProgressBar read, decode, compress, write;
};

}  // namespace sonaflux::test
