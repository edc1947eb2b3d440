#include <filesystem>
#include <gtest/gtest.h>

#include "engine/create_command.h"
#include "settings/parameters_file.h"
#include "tests/support/child_process.h"
#include "tests/support/job_fixture.h"
#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::JobFixture;

std::vector<std::uint8_t> shortWav() {
  return test::makePcmWav(22050, 1, 16, test::sineTone(440, 1.0, 22050, 1));
}

std::int32_t numberOnDisk(const JobFixture& f) {
  return readOutputNumberOnDisk(f.program.path()).value_or(-1);
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(JobEndings, FilesAnotherProcessHoldsAreNeitherOverwrittenNorDeleted) {
  const struct {
    const char* name;
    std::int32_t mode;
  } rows[] = {{"snx1.htm", kOutputModeBareLooping}, {"snx1s.swf", kOutputModeBareLooping},
              {"snx1c.swf", kOutputModeController}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    f.ctx.settings.outputMode = row.mode;
    f.saveSettings();
    f.setInput("in.wav", shortWav());
    const std::string held = f.outputFile(row.name);
    test::writeFileText(held, "earlier work");
    test::LockHolder holder(held);
    ASSERT_TRUE(holder.holding());

    JobReport report = f.run();
    EXPECT_EQ(report.outcome, JobOutcome::Failed);
    // Not counted by the question, refused at creation.
    EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot create output file \"" + held + "\"."});
    EXPECT_EQ(f.output.entries(), std::vector<std::string>{row.name});
    EXPECT_EQ(test::readFileText(held), "earlier work");
    EXPECT_EQ(numberOnDisk(f), 1);
  }
}

TEST(JobEndings, TemporaryFileOfAnotherProgramFolderIsNeverTouched) {
  JobFixture f;
  f.setInput("in.wav", shortWav());
  const std::string theirs = f.outputFile("snx1.tmp2");
  test::writeFileText(theirs, "their samples");
  test::LockHolder otherJob(theirs);
  ASSERT_TRUE(otherJob.holding());
  EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot initialise temporary file \"" + theirs + "\"."});
  EXPECT_EQ(f.output.entries(), std::vector<std::string>{"snx1.tmp2"});
  EXPECT_EQ(test::readFileText(theirs), "their samples");
}

TEST(JobEndings, SettingsAnotherProgramSavedDuringTheJobSurviveItsSaves) {
  const struct {
    const char* name;
    bool removeEncoder;
    JobOutcome outcome;
    std::int32_t number;
  } rows[] = {{"finished", false, JobOutcome::Finished, 2}, {"failed", true, JobOutcome::Failed, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    f.setInput("in.wav", shortWav());
    if (row.removeEncoder) fs::remove(f.program.file("lame_enc.so"));
    bool saved = false;
    f.host.onPump = [&] {
      if (saved || numberOnDisk(f) != 2) return;
      // The Options window of another running copy saves new colours.
      SettingsRecord other = test::testSettings(f.output.path());
      other.backgroundColour = "123456";
      other.nextOutputNumber = 2;
      test::writeFileText(f.program.file("snx.da0"), encodeParameters(other));
      saved = true;
    };
    EXPECT_EQ(f.run().outcome, row.outcome);
    ASSERT_TRUE(saved);
    std::optional<SettingsRecord> onDisk = decodeParameters(test::readFileText(f.program.file("snx.da0")));
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->backgroundColour, "123456");
    EXPECT_EQ(onDisk->nextOutputNumber, row.number);
    EXPECT_EQ(f.ctx.settings.nextOutputNumber, row.number);
  }
}

TEST(JobEndings, CancelAfterTheSettingsBecameUnwritableEndsCancelledWithTheNumberTakenBack) {
  JobFixture f;
  f.setInput("in.wav", test::makePcmWav(22050, 1, 16, test::chordSequence(5.0, 22050, 1)));
  f.host.onPump = [&] {
    if (f.ctx.job.jobCancelled || numberOnDisk(f) != 2 || f.decode.positions.empty()) return;
    fs::create_directory(f.program.file("snx.da0.new"));  // no save can replace the file now
    requestCancel(f.ctx);
  };
  EXPECT_EQ(f.run().outcome, JobOutcome::Cancelled);
  EXPECT_TRUE(f.host.terminations.empty());
  EXPECT_TRUE(contains(f.host.texts(), "Error: Cannot write to parameters file."));
  EXPECT_EQ(f.output.entries(), std::vector<std::string>{});
  EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
  EXPECT_EQ(numberOnDisk(f), 2);
}

TEST(JobEndings, TemporaryFileCutWhileReadBackFailsTheJob) {
  const struct {
    const char* temporary;
    bool (*due)(const JobFixture&);
  } rows[] = {
      {"snx1.tmp2", [](const JobFixture& f) { return f.compress.positions.size() >= 2; }},  // mid-way
      {"snx1.tmp3", [](const JobFixture& f) { return f.compress.last() == 101; }},  // before the copy
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.temporary);
    JobFixture f;
    f.setInput("in.wav", test::makePcmWav(22050, 1, 16, test::chordSequence(6.0, 22050, 1)));
    bool cut = false;
    f.host.onPump = [&] {
      if (cut || !row.due(f)) return;
      fs::resize_file(f.outputFile(row.temporary), 0);
      cut = true;
    };
    EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
    ASSERT_TRUE(cut);
    EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot read file."});
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_EQ(numberOnDisk(f), 1);
  }
}

}  // namespace
}  // namespace sonaflux
