#include "engine/create_command.h"

#include <filesystem>
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

std::int32_t numberOnDisk(const JobFixture& f) {
  return readOutputNumberOnDisk(f.program.path()).value_or(-1);
}

TEST(ConversionDriver, DecliningToOverwriteLeavesNoTemporaryFileAndTheNumberAsItWas) {
  JobFixture f;
  f.setInput("in.wav", shortWav());
  test::writeFileText(f.outputFile("snx1.htm"), "earlier page");
  f.run();  // the recording host answers No
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_FALSE(f.ctx.job.jobCancelled);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Is it OK to overwrite this file:\n" + f.outputFile("snx1.htm")});
  EXPECT_EQ(f.output.entries(), std::vector<std::string>{"snx1.htm"});
  EXPECT_EQ(test::readFileText(f.outputFile("snx1.htm")), "earlier page");
  EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
  EXPECT_EQ(numberOnDisk(f), 1);
}

TEST(ConversionDriver, MissingEncoderRemovesTheWholeSetAndTakesTheNumberBack) {
  JobFixture f;
  f.ctx.settings.outputMode = kOutputModeController;
  f.saveSettings();
  f.setInput("in.wav", shortWav());
  fs::remove(f.program.file("lame_enc.so"));
  std::vector<std::int32_t> numbersSeen;
  std::vector<std::vector<std::string>> outputsSeen;
  f.host.onPump = [&] {
    numbersSeen.push_back(numberOnDisk(f));
    outputsSeen.push_back(f.output.entries());
  };
  f.run();
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot load DLL \"" + f.program.file("lame_enc.so") + "\"."});
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
  EXPECT_EQ(numberOnDisk(f), 1);
  // While the set existed the advanced number was saved: the file was written twice.
  ASSERT_FALSE(numbersSeen.empty());
  EXPECT_EQ(numbersSeen.front(), 1);
  EXPECT_NE(std::find(numbersSeen.begin(), numbersSeen.end(), 2), numbersSeen.end());
  bool sawWholeSet = false;
  for (const auto& entries : outputsSeen)
    sawWholeSet |= std::count(entries.begin(), entries.end(), "snx1c.swf") == 1 &&
                   std::count(entries.begin(), entries.end(), "snx1s.swf") == 1;
  EXPECT_TRUE(sawWholeSet);
}

TEST(ConversionDriver, LibraryWithoutAnEntryPointIsReportedLikeOneThatCannotLoad) {
  for (const char* broken : {"lame_enc.so", "decoder.so"}) {
    JobFixture f;
    f.setInput("in.wav", shortWav());
    // Each plug-in lacks the other's entry points.
    const char* other = std::string(broken) == "lame_enc.so" ? "decoder.so" : "lame_enc.so";
    fs::copy_file(f.program.file(other), f.program.file(broken), fs::copy_options::overwrite_existing);
    f.run();
    EXPECT_TRUE(f.ctx.job.jobFailed) << broken;
    EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot load DLL \"" + f.program.file(broken) + "\"."});
    EXPECT_TRUE(f.output.entries().empty()) << broken;
    EXPECT_EQ(numberOnDisk(f), 1);
  }
}

TEST(ConversionDriver, InputProblemsAreReportedBeforeAnythingIsCreated) {
  JobFixture missing;
  missing.ctx.inputs.inputPath = missing.inputs.file("gone.wav");
  missing.ctx.inputs.inputIsWav = true;
  missing.run();
  EXPECT_EQ(missing.host.texts(),
            std::vector<std::string>{"Error: Input file not found \"" + missing.inputs.file("gone.wav") + "\"."});

  JobFixture empty;
  std::string path = empty.setInput("empty.wav", {});
  empty.run();
  EXPECT_EQ(empty.host.texts(), std::vector<std::string>{"Error: Input file contains no data \"" + path + "\"."});

  JobFixture locked;
  path = locked.setInput("locked.wav", shortWav());
  File otherProgram;
  ASSERT_TRUE(otherProgram.openExisting(path, FileAccess::Read, true));
  locked.run();
  EXPECT_EQ(locked.host.texts(), std::vector<std::string>{"Error: Cannot open file \"" + path +
                                                          "\". It may be locked by another program."});

  for (JobFixture* f : {&missing, &empty, &locked}) {
    EXPECT_TRUE(f->ctx.job.jobFailed);
    EXPECT_EQ(f->host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(f->output.entries().empty());
    EXPECT_EQ(numberOnDisk(*f), 1);
  }
}

TEST(ConversionDriver, TemporaryFileThatCannotBeMadeCleansUpTheOthers) {
  JobFixture f;
  f.setInput("in.wav", shortWav());
  fs::create_directory(f.outputFile("snx1.tmp2"));
  f.run();
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(),
            std::vector<std::string>{"Error: Cannot initialise temporary file \"" + f.outputFile("snx1.tmp2") + "\"."});
  EXPECT_EQ(f.output.entries(), std::vector<std::string>{"snx1.tmp2"});  // only the folder in the way
  EXPECT_FALSE(f.ctx.job.inputHandle.isOpen());
  EXPECT_EQ(numberOnDisk(f), 1);
}

TEST(ConversionDriver, OutputThatCannotBeCreatedStillCountsAndIsTakenBack) {
  JobFixture f;
  f.setInput("in.wav", shortWav());
  fs::create_directory(f.outputFile("snx1.htm"));
  f.run();
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(),
            std::vector<std::string>{"Error: Cannot create output file \"" + f.outputFile("snx1.htm") + "\"."});
  EXPECT_EQ(f.output.entries(), std::vector<std::string>{"snx1.htm"});
  EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
  EXPECT_EQ(numberOnDisk(f), 1);
}

TEST(ConversionDriver, InvalidOutputFolderStopsAtOnce) {
  JobFixture f;
  f.setInput("in.wav", shortWav());
  f.ctx.settings.outputFolderPath = "not/absolute";
  f.run();
  EXPECT_EQ(f.host.texts(),
            std::vector<std::string>{"Error: Invalid output folder. Select a valid folder in \"Options\"."});
  EXPECT_EQ(f.read.positions, std::vector<int>{0});
  EXPECT_EQ(f.read.maximum, 101);
}

TEST(ConversionDriver, WavWithoutSoundFailsWithNoAudioAndRemovesTheSet) {
  JobFixture f;
  std::string path = f.setInput("silent.wav", test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}}));
  f.run();
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: No audio data found in input file \"" + path + "\"."});
  EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(numberOnDisk(f), 1);
  // A WAV input fills the first bar at once.
  EXPECT_EQ(f.read.positions, (std::vector<int>{0, 101}));
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
  EXPECT_EQ(numberOnDisk(f), 9);
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
  EXPECT_EQ(numberOnDisk(f), 1);
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
  EXPECT_EQ(numberOnDisk(cancelled), 1);
  requestCancel(cancelled.ctx);  // no job runs: nothing changes for the next one
  cancelled.host.cancelOnPump = 0;
  EXPECT_EQ(cancelled.run().outcome, JobOutcome::Finished);
}

}  // namespace
}  // namespace sonaflux
