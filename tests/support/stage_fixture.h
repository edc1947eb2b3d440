#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app_context.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace sonaflux::test {

/// One stage run on its own: the build's program folder, a job marked as
/// running, a recording Host that can cancel it, and a folder for the files.
struct StageFixture {
  StageFixture() {
    ctx.paths.programFolder = programFolder();
    host.cancelTarget = &ctx;
    ctx.job.jobRunning = true;  // a stage runs only inside a job
  }

  /// Writes bytes into the folder, then opens that file into handle, locked.
  void openFile(File& handle, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    writeFileBytes(folder.file(name), bytes);
    EXPECT_TRUE(handle.openExisting(folder.file(name), FileAccess::ReadWrite, true));
  }

  TempFolder folder;
  RecordingHost host;
  AppContext ctx{host};
};

}  // namespace sonaflux::test
