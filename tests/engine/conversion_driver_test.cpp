#include "engine/create_command.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "settings/parameters_file.h"
#include "tests/support/job_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::JobFixture;

std::vector<std::uint8_t> shortWav() {
  return test::makePcmWav(22050, 1, 16, test::sineTone(440, 0.5, 22050, 1));
}

std::string dllError(const JobFixture& f, const char* name) {
  return "Error: Cannot load DLL \"" + f.program.file(name) + "\".";
}

// Every way a job can fail before it writes: one message, the output folder
// as it was (or holding only what stood in the way), the output number kept.
TEST(ConversionDriver, FailureLeavesNoTraceAndKeepsTheOutputNumber) {
  struct Row {
    const char* name;
    // Changes the job set up for in.wav; returns the one message expected.
    std::function<std::string(JobFixture&)> setUp;
    std::vector<std::string> entriesAfter;
  };
  const Row rows[] = {
      {"input missing",
       [](JobFixture& f) {
         f.ctx.inputs.inputPath = f.inputs.file("gone.wav");
         f.ctx.inputs.inputIsWav = true;
         return "Error: Input file not found \"" + f.inputs.file("gone.wav") + "\".";
       },
       {}},
      {"input empty",
       [](JobFixture& f) { return "Error: Input file contains no data \"" + f.setInput("empty.wav", {}) + "\"."; },
       {}},
      {"invalid output folder",
       [](JobFixture& f) {
         f.ctx.settings.outputFolderPath = "not/absolute";
         return std::string("Error: Invalid output folder. Select a valid folder in \"Options\".");
       },
       {}},
      {"overwrite declined",
       [](JobFixture& f) {
         test::writeFileText(f.outputFile("snx1.htm"), "earlier page");
         return "Is it OK to overwrite this file:\n" + f.outputFile("snx1.htm");  // the host answers No
       },
       {"snx1.htm"}},
      {"temporary file cannot be made",
       [](JobFixture& f) {
         fs::create_directory(f.outputFile("snx1.tmp2"));
         return "Error: Cannot initialise temporary file \"" + f.outputFile("snx1.tmp2") + "\".";
       },
       {"snx1.tmp2"}},
      {"output cannot be created",
       [](JobFixture& f) {
         fs::create_directory(f.outputFile("snx1.htm"));
         return "Error: Cannot create output file \"" + f.outputFile("snx1.htm") + "\".";
       },
       {"snx1.htm"}},
      {"encoder missing, controller output",
       [](JobFixture& f) {
         f.ctx.settings.outputMode = kOutputModeController;
         f.saveSettings();
         fs::remove(f.program.file("lame_enc.so"));
         return dllError(f, "lame_enc.so");
       },
       {}},
      // Each plug-in lacks the other's entry points.
      {"encoder without its entry points",
       [](JobFixture& f) {
         fs::copy_file(f.program.file("decoder.so"), f.program.file("lame_enc.so"), fs::copy_options::overwrite_existing);
         return dllError(f, "lame_enc.so");
       },
       {}},
      {"decoder without its entry points",
       [](JobFixture& f) {
         fs::copy_file(f.program.file("lame_enc.so"), f.program.file("decoder.so"), fs::copy_options::overwrite_existing);
         return dllError(f, "decoder.so");
       },
       {}},
      {"WAV without sound",
       [](JobFixture& f) {
         std::string path = f.setInput("silent.wav", test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}}));
         return "Error: No audio data found in input file \"" + path + "\".";
       },
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    f.setInput("in.wav", shortWav());
    const std::string message = row.setUp(f);
    EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
    EXPECT_TRUE(f.ctx.job.jobFailed);
    EXPECT_FALSE(f.ctx.job.jobCancelled);
    EXPECT_EQ(f.host.texts(), std::vector<std::string>{message});
    if (!f.host.messages.empty() && f.host.messages[0].icon != MessageIcon::Question) {
      EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(f.output.entries(), row.entriesAfter);
    if (fs::is_regular_file(f.outputFile("snx1.htm"))) {
      EXPECT_EQ(test::readFileText(f.outputFile("snx1.htm")), "earlier page");
    }
    EXPECT_FALSE(f.ctx.job.inputHandle.isOpen());
    EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
    EXPECT_EQ(f.numberOnDisk(), 1);
  }
}

TEST(ConversionDriver, CancelAtAnyPumpLeavesNothingBehind) {
  // Every point at which the user can act, from the first pump to the last.
  long pumps = 0;
  {
    JobFixture whole;
    whole.setInput("in.wav", shortWav());
    ASSERT_EQ(whole.run().outcome, JobOutcome::Finished);
    pumps = whole.host.pumps;
  }
  for (long pump = 1; pump < pumps; ++pump) {
    JobFixture f;
    f.ctx.settings.outputMode = kOutputModeController;
    f.saveSettings();
    f.setInput("in.wav", shortWav());
    f.host.cancelOnPump = pump;
    EXPECT_EQ(f.run().outcome, JobOutcome::Cancelled) << "pump " << pump;
    EXPECT_TRUE(f.output.entries().empty()) << "pump " << pump << ": " << testing::PrintToString(f.output.entries());
    EXPECT_EQ(f.numberOnDisk(), 1) << "pump " << pump;
  }
}

TEST(ConversionDriver, LockedInputIsRefusedBeforeAnythingIsCreated) {
  JobFixture f;
  std::string path = f.setInput("locked.wav", shortWav());
  File otherProgram;
  ASSERT_TRUE(otherProgram.openExisting(path, FileAccess::Read, true));
  f.run();
  EXPECT_EQ(f.host.texts(),
            std::vector<std::string>{"Error: Cannot open file \"" + path + "\". It may be locked by another program."});
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.numberOnDisk(), 1);
}

TEST(ConversionDriver, SavesTheAdvancedNumberWhileTheSetExists) {
  JobFixture f;
  f.ctx.settings.outputMode = kOutputModeController;
  f.saveSettings();
  f.setInput("in.wav", shortWav());
  fs::remove(f.program.file("lame_enc.so"));
  std::vector<std::int32_t> numbersSeen;
  bool sawWholeSet = false;
  f.host.onPump = [&] {
    numbersSeen.push_back(f.numberOnDisk());
    std::vector<std::string> entries = f.output.entries();
    sawWholeSet |= std::count(entries.begin(), entries.end(), "snx1c.swf") == 1 &&
                   std::count(entries.begin(), entries.end(), "snx1s.swf") == 1;
  };
  f.run();
  // The file was written twice: advanced while the set existed, then taken back.
  ASSERT_FALSE(numbersSeen.empty());
  EXPECT_EQ(numbersSeen.front(), 1);
  EXPECT_NE(std::find(numbersSeen.begin(), numbersSeen.end(), 2), numbersSeen.end());
  EXPECT_TRUE(sawWholeSet);
  EXPECT_EQ(f.numberOnDisk(), 1);
}

TEST(ConversionDriver, TakesTheOutputNumberFromTheFileOnDisk) {
  JobFixture f;
  f.setInput("silent.wav", test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}}));
  f.ctx.settings.nextOutputNumber = 5;
  SettingsRecord onDisk = f.ctx.settings;
  onDisk.nextOutputNumber = 9;  // another process advanced it meanwhile
  test::writeFileText(f.program.file("snx.da0"), encodeParameters(onDisk));
  std::vector<std::string> seen;
  f.host.onPump = [&] {
    for (const std::string& name : f.output.entries()) seen.push_back(name);
  };
  f.run();
  EXPECT_NE(std::find(seen.begin(), seen.end(), "snx9s.swf"), seen.end());
  EXPECT_EQ(f.numberOnDisk(), 9);
}

TEST(ConversionDriver, ParametersThatCannotBeSavedEndTheProgramOnlyAfterCleaningUp) {
  JobFixture f;
  f.setInput("in.wav", shortWav());
  // A folder where the new parameters file must go makes every save fail, even for root.
  fs::create_directory(f.program.file("snx.da0.new"));
  JobReport report = f.run();
  EXPECT_EQ(report.outcome, JobOutcome::Failed);
  ASSERT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot write to parameters file."});
  EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(f.host.terminations, std::vector<int>{1});
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.numberOnDisk(), 1);
}

TEST(CreateCommand, ReportsHowTheJobEndedAndWhatItCreated) {
  JobFixture done;
  done.ctx.settings.outputMode = kOutputModeController;
  done.ctx.settings.instruction = "e";
  done.saveSettings();
  done.setInput("in.wav", shortWav());
  // A second create command while the job pumps is refused and leaves the job alone.
  std::optional<JobOutcome> nested;
  done.host.onPump = [&] {
    if (!nested) nested = runCreateCommand(done.ctx, {}).outcome;
  };
  JobReport report = done.run();
  ASSERT_EQ(report.outcome, JobOutcome::Finished) << testing::PrintToString(done.host.texts());
  EXPECT_EQ(nested, JobOutcome::Failed);
  EXPECT_EQ(report.outputFolder, done.output.path());
  std::vector<std::string> lines;
  for (const CreatedFile& file : report.createdFiles) lines.push_back(resultLine(file));
  EXPECT_EQ(lines, (std::vector<std::string>{"Created web page \"snx1.htm\"",
                                             "Created Flash streaming animation \"snx1s.swf\"",
                                             "Created Flash controller animation \"snx1e.swf\""}));
  EXPECT_EQ(done.ctx.job.progressRead, nullptr);  // the bars are only lent for the job

  JobFixture cancelled;
  cancelled.setInput("in.wav", shortWav());
  cancelled.host.cancelOnPump = 8;
  report = cancelled.run();
  EXPECT_EQ(report.outcome, JobOutcome::Cancelled);
  EXPECT_TRUE(report.createdFiles.empty());
  EXPECT_TRUE(cancelled.output.entries().empty());
  EXPECT_EQ(cancelled.numberOnDisk(), 1);
  requestCancel(cancelled.ctx);  // no job runs: nothing changes for the next one
  cancelled.host.cancelOnPump = 0;
  EXPECT_EQ(cancelled.run().outcome, JobOutcome::Finished);
}

}  // namespace
}  // namespace sonaflux
