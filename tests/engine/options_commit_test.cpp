#include "engine/options_commit.h"

#include <gtest/gtest.h>

#include "engine/conversion_driver.h"
#include "platform/folder_lock.h"
#include "settings/parameters_file.h"
#include "tests/support/job_fixture.h"
#include "tests/support/program_copy.h"

namespace sonaflux {
namespace {

using test::JobFixture;

void putNumberOnDisk(const JobFixture& f, std::int32_t number) {
  SettingsRecord s = f.ctx.settings;
  s.nextOutputNumber = number;
  test::writeFileText(f.program.file("snx.da0"), encodeParameters(s));
}

struct CommitRow {
  const char* name;
  bool typed;  // the user typed 40
  std::int32_t expected;
};

// Another job took numbers meanwhile: 15 is on disk.
TEST(OptionsCommit, KeepsTheNumberOnDiskUnlessTheUserTypedOne) {
  const CommitRow rows[] = {{"left as it was", false, 15}, {"typed, though lower", true, 40}};
  for (const CommitRow& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    putNumberOnDisk(f, 15);
    OptionSettings opt = workingCopiesOf(f.ctx.settings);
    opt.optTextColour = "ff8";
    if (row.typed) opt.optNextOutputNumber = 40;
    commitOptions(f.ctx, opt, row.typed);

    SettingsRecord expected = test::testSettings(f.output.path());
    expected.textColour = "ff8";
    expected.nextOutputNumber = row.expected;
    EXPECT_EQ(f.ctx.settings, expected);
    EXPECT_EQ(test::readFileText(f.program.file("snx.da0")), encodeParameters(expected));
  }
}

TEST(OptionsCommit, WaitsForARunningJobAndTakesTheNumberItLeft) {
  JobFixture f;
  putNumberOnDisk(f, 20);
  auto job = std::make_unique<FolderLock>();
  ASSERT_EQ(job->tryLock(f.program.file(kJobLockFileName)), FolderLock::Result::Locked);
  // The job finishes on the third pump, having used one more number.
  f.host.onPump = [&] {
    if (f.host.pumps != 3) return;
    putNumberOnDisk(f, 21);
    job.reset();
  };
  commitOptions(f.ctx, workingCopiesOf(f.ctx.settings), false);
  EXPECT_EQ(f.host.statuses, std::vector<std::string>{"Waiting for another conversion to finish..."});
  EXPECT_EQ(f.numberOnDisk(), 21);
}

TEST(OptionsCommit, UnwritableParametersFileEndsTheProgram) {
  JobFixture f;
  f.ctx.paths.programFolder = f.program.file("gone/");
  commitOptions(f.ctx, workingCopiesOf(f.ctx.settings), false);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot write to parameters file."});
  EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(f.host.terminations, std::vector<int>{1});
}

}  // namespace
}  // namespace sonaflux
