#pragma once

#include <gtest/gtest.h>
#include <string>

#include "core/app_context.h"
#include "engine/create_command.h"
#include "settings/parameters_file.h"
#include "tests/support/program_copy.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux::test {

// A job on real files: a private program folder holding copies of the built
// plug-ins and data files, settings saved there, progress bars and a recording Host
class JobFixture {
 public:
  JobFixture() {
    copyJobFiles(program.path());
    ctx.paths.programFolder = program.path();
    ctx.paths.desktopFolder = output.path();
    ctx.settings = testSettings(output.path());
    saveSettings();
    host.cancelTarget = &ctx;
  }

  // Writes the file into `inputs` and points the job at it.
  void setInput(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    writeFileBytes(inputs.file(name), bytes);
    ctx.inputs.inputPath = inputs.file(name);
    ctx.inputs.inputIsWav = name.ends_with(".wav");
    ctx.inputs.inputTitle = "Title";
  }
  void saveSettings() { ASSERT_TRUE(saveParameters(ctx)); }
  JobReport run() { return runCreateCommand(ctx, {&read, &decode, &compress, &write}); }
  std::int32_t numberOnDisk() const { return readOutputNumberOnDisk(program.path()).value_or(-1); }
  Left left() const { return {output.entries(), numberOnDisk()}; }

  TempFolder program, output, inputs;
  RecordingHost host;
  AppContext ctx{host};
  RecordingProgressBar read, decode, compress, write;
};

}  // namespace sonaflux::test
