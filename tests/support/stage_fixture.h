#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app_context.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace sonaflux::test {

/// One stage on its own: the build's program folder, a running job, a Host that can cancel it, a folder.
struct StageFixture {
  StageFixture() {
    ctx.paths.programFolder = programFolder();
    host.cancelTarget = &ctx;
    ctx.job.jobRunning = true;
  }

  /// Writes the file into the folder and opens it into handle, locked.
  void openFile(File& handle, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    writeFileBytes(folder.file(name), bytes);
    EXPECT_TRUE(handle.openExisting(folder.file(name), FileAccess::ReadWrite, true));
  }

  TempFolder folder;
  RecordingHost host;
  AppContext ctx{host};
};

}  // namespace sonaflux::test
