#include <filesystem>
#include <gtest/gtest.h>

#include "engine/create_command.h"
#include "settings/parameters_file.h"
#include "tests/support/job_fixture.h"
#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::JobFixture;
using Names = std::vector<std::string>;

std::vector<std::uint8_t> chords(double seconds) {
  return test::makePcmWav(22050, 1, 16, test::chordSequence(seconds, 22050, 1));
}

TEST(JobEndings, FilesAnotherProcessHoldsAreNeitherOverwrittenNorDeleted) {
  const struct {
    const char* name;
    std::int32_t mode;
    const char* message;  // not counted by the overwrite question, refused when made
  } rows[] = {{"snx1.htm", kOutputModeBareLooping, "Cannot create output file"},
              {"snx1s.swf", kOutputModeBareLooping, "Cannot create output file"},
              {"snx1c.swf", kOutputModeController, "Cannot create output file"},
              // Another program folder's job at work.
              {"snx1.tmp2", kOutputModeBareLooping, "Cannot initialise temporary file"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    f.ctx.settings.outputMode = row.mode;
    f.saveSettings();
    f.setInput("in.wav", chords(1.0));
    const std::string held = f.outputFile(row.name);
    test::writeFileText(held, "earlier work");
    test::LockHolder holder(held);
    ASSERT_TRUE(holder.holding());

    EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
    EXPECT_EQ(f.host.texts(), Names{"Error: " + std::string(row.message) + " \"" + held + "\"."});
    EXPECT_EQ(f.output.entries(), Names{row.name});
    EXPECT_EQ(test::readFileText(held), "earlier work");
    EXPECT_EQ(f.numberOnDisk(), 1);
  }
}

TEST(JobEndings, SettingsAnotherProgramSavedDuringTheJobSurviveItsSaves) {
  for (bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "failed" : "finished");
    JobFixture f;
    f.setInput("in.wav", chords(1.0));
    if (fail) fs::remove(f.program.file("lame_enc.so"));
    bool saved = false;
    f.host.onPump = [&] {
      if (saved || f.numberOnDisk() != 2) return;
      // The Options window of another running copy saves new colours.
      SettingsRecord other = test::testSettings(f.output.path());
      other.backgroundColour = "123456";
      other.nextOutputNumber = 2;
      test::writeFileText(f.program.file("snx.da0"), encodeParameters(other));
      saved = true;
    };
    EXPECT_EQ(f.run().outcome, fail ? JobOutcome::Failed : JobOutcome::Finished);
    ASSERT_TRUE(saved);
    std::optional<SettingsRecord> onDisk = decodeParameters(test::readFileText(f.program.file("snx.da0")));
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->backgroundColour, "123456");
    EXPECT_EQ(onDisk->nextOutputNumber, fail ? 1 : 2);
    EXPECT_EQ(f.ctx.settings.nextOutputNumber, fail ? 1 : 2);
  }
}

TEST(JobEndings, CancelAfterTheSettingsBecameUnwritableEndsCancelledWithTheNumberTakenBack) {
  JobFixture f;
  f.setInput("in.wav", chords(5.0));
  f.host.onPump = [&] {
    if (f.ctx.job.jobCancelled || f.numberOnDisk() != 2 || f.decode.positions.empty()) return;
    fs::create_directory(f.program.file("snx.da0.new"));  // no save can replace the file now
    requestCancel(f.ctx);
  };
  EXPECT_EQ(f.run().outcome, JobOutcome::Cancelled);
  EXPECT_TRUE(f.host.terminations.empty());
  Names texts = f.host.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Error: Cannot write to parameters file."), texts.end());
  EXPECT_EQ(f.output.entries(), Names{});
  EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
  EXPECT_EQ(f.numberOnDisk(), 2);  // the number could not be taken back on disk
}

TEST(JobEndings, TemporaryFileCutWhileReadBackFailsTheJob) {
  const struct {
    const char* temporary;
    bool (*due)(const JobFixture&);
  } rows[] = {
      {"snx1.tmp2", [](const JobFixture& f) { return f.compress.positions.size() >= 2; }},  // mid-way
      {"snx1.tmp3", [](const JobFixture& f) { return f.compress.last() == 101; }},          // before the copy
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.temporary);
    JobFixture f;
    f.setInput("in.wav", chords(6.0));
    bool cut = false;
    f.host.onPump = [&] {
      if (cut || !row.due(f)) return;
      fs::resize_file(f.outputFile(row.temporary), 0);
      cut = true;
    };
    EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
    ASSERT_TRUE(cut);
    EXPECT_EQ(f.host.texts(), Names{"Error: Cannot read file."});
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_EQ(f.numberOnDisk(), 1);
  }
}

}  // namespace
}  // namespace sonaflux
