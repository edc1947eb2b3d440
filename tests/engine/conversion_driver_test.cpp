#include "engine/create_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <filesystem>
#include <functional>

#include "settings/parameters_file.h"
#include "tests/support/job_fixture.h"
#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::JobFixture;
using test::Left;
using Names = std::vector<std::string>;
constexpr auto npos = std::string::npos;

std::vector<std::uint8_t> chords(double seconds) {
  return test::makePcmWav(22050, 1, 16, test::chordSequence(seconds, 22050, 1));
}

// The message with {in}, {out} and {program} standing for the job's folders.
std::string expand(std::string text, const JobFixture& f) {
  const std::pair<std::string, std::string> folders[] = {
      {"{in}", f.inputs.path()}, {"{out}", f.output.path()}, {"{program}", f.program.path()}};
  for (const auto& [key, value] : folders)
    for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  return text;
}

// Selects and saves controller output with the named controller, whose file
// is given the contents first when asked.
JobFixture& controller(JobFixture& f, const std::string& name, std::optional<std::string> contents = {}) {
  if (contents) test::writeFileText(f.program.file("Controllers/" + name + ".swf"), *contents);
  f.ctx.settings.outputMode = kOutputModeController;
  f.ctx.settings.controllerName = name;
  f.saveSettings();
  return f;
}

// Another job's file: flock(2) refuses it within this process just as across processes.
void hold(const JobFixture& f, File& held, const char* name) {
  test::writeFileText(f.output.file(name), "earlier page");
  ASSERT_TRUE(held.openExisting(f.output.file(name), FileAccess::Read, true));
}

void replaceFile(const JobFixture& f, const char* name, const std::string& text) {
  fs::remove(f.program.file(name));
  test::writeFileText(f.program.file(name), text);
}

// A symbolic link at the path to a file of someone else's, "earlier page"
// like every file a job must leave alone.
void plantLink(const JobFixture& f, const std::string& path) {
  test::writeFileText(f.inputs.file("victim"), "earlier page");
  fs::create_symlink(f.inputs.file("victim"), path);
}

// True once the job has made its set and saved its number.
bool setMade(const JobFixture& f) { return f.numberOnDisk() == 2 && !f.ctx.job.jobCancelled; }

struct FailureRow {
  const char* name;
  // Changes the job set up for in.wav; `held` stays open through the job.
  std::function<void(JobFixture&, File& held)> setUp;
  const char* message;  // nullptr: none (a cancel)
  Names entriesAfter = {};
  bool endsTheProgram = false;
  // Acts at every pump of the job, for what befalls it midway.
  std::function<void(JobFixture&)> duringJob = nullptr;
  // Asked and answered Yes before the message.
  const char* question = nullptr;
  JobOutcome outcome = JobOutcome::Failed;
  std::int32_t numberAfter = 1;
};

void PrintTo(const FailureRow& row, std::ostream* out) { *out << row.name; }

const FailureRow kFailures[] = {
    {"InputMissing", [](auto& f, auto&) { f.ctx.inputs.inputPath = f.inputs.file("gone.wav"); },
     "Error: Input file not found \"{in}gone.wav\"."},
    {"PipeAsInput",
     [](auto& f, auto&) {
       f.ctx.inputs.inputPath = f.inputs.file("pipe.wav");
       mkfifo(f.ctx.inputs.inputPath.c_str(), 0644);
     },
     "Error: Input file contains no data \"{in}pipe.wav\"."},
    {"InputLockedByAnotherProgram",
     [](auto& f, File& held) { ASSERT_TRUE(held.openExisting(f.ctx.inputs.inputPath, FileAccess::Read, true)); },
     "Error: Cannot open file \"{in}in.wav\". It may be locked by another program."},
    {"InvalidOutputFolder", [](auto& f, auto&) { f.ctx.settings.outputFolderPath = "not/absolute"; },
     "Error: Invalid output folder. Select a valid folder in \"Options\"."},
    // Files another job holds are not counted by the overwrite question, and refused when made.
    {"AnimationHeld",
     [](auto& f, File& held) { hold(f, held, "snx1s.swf"); },
     "Error: Cannot create output file \"{out}snx1s.swf\".",
     {"snx1s.swf"}},
    {"TemporaryFileOfAnotherProgramFoldersJob",
     [](auto& f, File& held) { hold(f, held, "snx1.tmp2"); },
     "Error: Cannot initialise temporary file \"{out}snx1.tmp2\".",
     {"snx1.tmp2"}},
    // Each plug-in lacks the other's entry points.
    {"EncoderWithoutItsEntryPoints",
     [](auto& f, auto&) { replaceFile(f, "lame_enc.so", test::readFileText(f.program.file("decoder.so"))); },
     "Error: Cannot load DLL \"{program}lame_enc.so\"."},
    {"DecoderWithoutItsEntryPoints",
     [](auto& f, auto&) { replaceFile(f, "decoder.so", test::readFileText(f.program.file("lame_enc.so"))); },
     "Error: Cannot load DLL \"{program}decoder.so\"."},
    {"StereoWavAt2To30Hz",
     [](auto& f, auto&) { f.setInput("0.wav", test::makePcmWav(1u << 30, 2, 16, std::vector<std::int16_t>(882))); },
     "Error: Cannot initialise LAME encoder."},
    {"GarbageStreamTemplate", [](auto& f, auto&) { replaceFile(f, "snx.da1", std::string(64, 'x')); },
     "Error: Cannot open data file \"{program}snx.da1\"."},
    {"EmptyController",
     [](auto& f, auto&) { controller(f, "Empty01150040", ""); },
     "Error: Cannot open controller \"{program}Controllers/Empty01150040.swf\"."},
    {"ControllerNameWithDots",
     [](auto& f, auto&) { controller(f, "..Classic01150040"); },
     "Error: Cannot open controller \"{program}Controllers/..Classic01150040.swf\"."},
    // A folder where the new file must go makes every save fail, even for root; the program ends after cleaning up.
    {.name = "ParametersCannotBeSaved",
     .setUp = [](auto& f, auto&) { fs::create_directory(f.program.file("snx.da0.new")); },
     .message = "Error: Cannot write to parameters file.",
     .endsTheProgram = true},
    // Links are refused, never written through, and no clean-up removes them.
    {"LinkAtTheControllerAnimationsName",
     [](auto& f, auto&) { plantLink(controller(f, "Classic01150040"), f.output.file("snx1c.swf")); },
     "Error: Cannot create output file \"{out}snx1c.swf\".",
     {"snx1c.swf"}},
    {"LinkAtATemporaryFilesName",
     [](auto& f, auto&) { plantLink(f, f.output.file("snx1.tmp1")); },
     "Error: Cannot initialise temporary file \"{out}snx1.tmp1\".",
     {"snx1.tmp1"}},
    {.name = "OutputFolderDeletedDuringTheJob",
     .setUp = [](auto&, auto&) {},
     .message = "Error: Cannot write file.",
     .duringJob =
         [](JobFixture& f) {
           if (!setMade(f) || f.compress.positions.empty()) return;
           fs::remove_all(f.output.path());
           fs::create_directory(f.output.path());
         }},
    // A number another program saved meanwhile is not taken back.
    {.name = "NumberChangedDuringTheJobThenACancel",
     .setUp = [](auto&, auto&) {},
     .message = nullptr,
     .duringJob =
         [](JobFixture& f) {
           if (!setMade(f)) return;
           SettingsRecord other = test::testSettings(f.output.path());
           other.nextOutputNumber = 950;
           test::writeFileText(f.program.file("snx.da0"), encodeParameters(other));
           requestCancel(f.ctx);
         },
     .outcome = JobOutcome::Cancelled,
     .numberAfter = 950},
    // After a Yes to the question, a failure leaves the earlier set byte for byte.
    {.name = "OverwriteAgreedThenAFullDisk",
     .setUp =
         [](auto& f, auto&) {
           for (const char* name : {"snx1s.swf", "snx1.htm"}) test::writeFileText(f.output.file(name), "earlier page");
         },
     .message = "Error: Cannot write file.",
     .entriesAfter = {"snx1.htm", "snx1s.swf"},
     .duringJob =
         [](JobFixture& f) {
           File& stream = f.ctx.job.streamOutHandle;
           if (setMade(f) && stream.isRegular()) {
             ASSERT_TRUE(stream.openExisting("/dev/full", FileAccess::ReadWrite, false));
           }
         },
     .question = "Is it OK to overwrite these files:\n{out}snx1s.swf\n{out}snx1.htm"},
};

class JobFailure : public ::testing::TestWithParam<FailureRow> {};

// One message, the output folder as it was (or holding only what stood in
// the way), the output number kept.
TEST_P(JobFailure, LeavesNoTraceAndKeepsTheOutputNumber) {
  const FailureRow& row = GetParam();
  JobFixture f;
  f.setInput("in.wav", chords(0.5));
  File held;
  row.setUp(f, held);
  if (row.question) f.host.answers.push_back(MessageAnswer::Yes);
  if (row.duringJob) f.host.onPump = [&] { row.duringJob(f); };
  EXPECT_EQ(f.run().outcome, row.outcome);
  Names messages;
  for (const char* text : {row.question, row.message})
    if (text) messages.push_back(expand(text, f));
  EXPECT_EQ(f.host.texts(), messages);
  EXPECT_EQ(f.host.terminations, row.endsTheProgram ? std::vector<int>{1} : std::vector<int>{});
  EXPECT_EQ(f.left(), Left(row.entriesAfter, row.numberAfter));
  for (const std::string& name : row.entriesAfter) {
    const std::string path = f.output.file(name);
    EXPECT_TRUE(!fs::is_regular_file(path) || test::readFileText(path) == "earlier page") << path;
  }
  EXPECT_FALSE(f.ctx.job.inputHandle.isOpen());
  EXPECT_EQ(f.ctx.settings.nextOutputNumber, row.numberAfter);
}

INSTANTIATE_TEST_SUITE_P(ConversionDriver, JobFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConversionDriver, CancelAtAnyPumpLeavesNothingBehind) {
  // Every point at which the user can act, from the first pump to the last.
  JobFixture whole;
  whole.setInput("in.wav", chords(0.5));
  ASSERT_EQ(whole.run().outcome, JobOutcome::Finished);
  for (long pump = 1; pump < whole.host.pumps; ++pump) {
    SCOPED_TRACE(pump);
    JobFixture f;
    controller(f, "Classic01150040");
    f.setInput("in.wav", chords(0.5));
    f.host.cancelOnPump = pump;
    JobReport report = f.run();
    EXPECT_EQ(std::pair(report.outcome, report.createdFiles.size()), std::pair(JobOutcome::Cancelled, std::size_t{0}));
    EXPECT_EQ(f.left(), Left({}, 1));
  }
}

TEST(ConversionDriver, ReportsHowTheJobEndedAndWhatItCreated) {
  JobFixture done;
  done.ctx.settings.instruction = "e";
  done.ctx.settings.nextOutputNumber = 9;
  controller(done, "Classic01150040");
  // The number comes from the file on disk: another process advanced it meanwhile.
  done.ctx.settings.nextOutputNumber = 5;
  done.setInput("in.wav", chords(0.5));
  JobReport report = done.run();
  ASSERT_EQ(report.outcome, JobOutcome::Finished) << testing::PrintToString(done.host.texts());
  Names lines;
  for (const CreatedFile& file : report.createdFiles) lines.push_back(resultLine(file));
  EXPECT_EQ(lines, (Names{"Created web page \"snx9.htm\"", "Created Flash streaming animation \"snx9s.swf\"",
                          "Created Flash controller animation \"snx9e.swf\""}));
  EXPECT_EQ(done.numberOnDisk(), 10);
}

// Values read from the settings file (the failure ladder has the refused controller names).
TEST(ConversionDriver, SettingsFileValuesCannotEscapeOrBreakTheOutput) {
  const struct {
    const char* name;
    std::function<void(JobFixture&)> edit;
    Names files;
    std::function<void(const std::string& page)> check = nullptr;
    std::string title = "Tune";
  } rows[] = {
      {"instruction leading out of the folder",
       [](JobFixture& f) { controller(f, "Classic01150040").ctx.settings.instruction = "../../x"; },
       {"snx1.htm", "snx1c.swf", "snx1s.swf"}},
      {"colour with markup",
       [](JobFixture& f) { f.ctx.settings.backgroundColour = "FF\"><script>alert(1)</script>"; },
       {"snx1.htm", "snx1s.swf"},
       [](const std::string& page) {
         EXPECT_NE(page.find("\r\n  <body bgcolor=\"#FF0000c00000a0e00010000c00000\" text=\"#000000\">\r\n"), npos);
       }},
      {"title with line breaks and controls",
       nullptr,
       {"snx1.htm", "snx1s.swf"},
       [](const std::string& page) { EXPECT_NE(page.find("<title>\r\n      Line one  (/title)(x)  \r\n"), npos); },
       "Line one\r\n</title><x>\x7f\t"},
      // The number after the largest is 1.
      {"largest output number",
       [](JobFixture& f) { f.ctx.settings.nextOutputNumber = 2147483647; },
       {"snx2147483647.htm", "snx2147483647s.swf"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    if (row.edit) row.edit(f);
    // Read the way start-up does.
    test::writeFileText(f.program.file("snx.da0"), encodeParameters(f.ctx.settings));
    readParameters(f.ctx);
    ASSERT_TRUE(f.host.terminations.empty());
    f.setInput("in.wav", chords(0.5));
    f.ctx.inputs.inputTitle = row.title;
    EXPECT_EQ(f.run().outcome, JobOutcome::Finished);
    EXPECT_EQ(f.output.entries(), row.files);
    if (row.check) row.check(test::readFileText(f.output.file("snx1.htm")));
    const std::int32_t next = row.files[0] == "snx1.htm" ? 2 : 1;
    EXPECT_EQ(std::pair(f.numberOnDisk(), f.ctx.settings.nextOutputNumber), std::pair(next, next));
  }
}

// The number goes back on disk without what another program saved meanwhile.
TEST(ConversionDriver, SettingsAnotherProgramSavedDuringAFailedJobSurviveItsNumberTakenBack) {
  JobFixture f;
  f.setInput("in.wav", chords(1.0));
  fs::remove(f.program.file("lame_enc.so"));
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
  EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
  SettingsRecord onDisk = decodeParameters(test::readFileText(f.program.file("snx.da0"))).value();
  EXPECT_EQ(onDisk.backgroundColour, "123456");
  EXPECT_EQ(onDisk.nextOutputNumber, 1);
}

// A killed job left its temporary files and empty outputs (snx5), a killed
// replacement its new files beside the earlier ones (snx3), an older one a
// temporary file beside its finished page (snx4); another program's job is running (snx7) and someone else left a link.
TEST(ConversionDriver, NextJobRemovesWhatAKilledJobLeftAndNothingElse) {
  JobFixture f;
  const std::pair<const char*, const char*> files[] = {
      {"snx5.tmp1", "x"},          {"snx5.tmp2", "x"},          {"snx5.tmp3", "x"},
      {"snx5.htm", ""},            {"snx5s.swf", ""},           {"snx3.htm", "earlier page"},
      {"snx3s.swf", "earlier page"}, {"snx3.htm.new", "half"},    {"snx3s.swf.new", "half"},
      {"snx4.htm", "earlier page"}, {"snx4.tmp2", "old"},        {"snx4e.swf", ""},
      {"snx7.tmp1", "running"},    {"snx7.htm", ""},            {"notes.txt", ""}};
  for (const auto& [name, contents] : files) test::writeFileText(f.output.file(name), contents);
  plantLink(f, f.output.file("snx3e.swf.new"));
  test::LockHolder otherJob(f.output.file("snx7.tmp1"));
  ASSERT_TRUE(otherJob.holding());
  f.setInput("in.wav", chords(0.5));
  ASSERT_EQ(f.run().outcome, JobOutcome::Finished);
  EXPECT_EQ(f.output.entries(), (Names{"notes.txt", "snx1.htm", "snx1s.swf", "snx3.htm", "snx3e.swf.new", "snx3s.swf",
                                       "snx4.htm", "snx7.htm", "snx7.tmp1"}));
  for (const char* name : {"snx3.htm", "snx3s.swf", "snx3e.swf.new", "snx4.htm"})
    EXPECT_EQ(test::readFileText(f.output.file(name)), "earlier page") << name;
}

struct CutRow {
  const char* temporary;
  bool (*due)(const JobFixture&);  // when it is cut
};

TEST(ConversionDriver, TemporaryFileCutWhileReadBackFailsTheJob) {
  const CutRow rows[] = {
      {"snx1.tmp2", [](const JobFixture& f) { return f.compress.positions.size() >= 2; }},  // mid-way
      {"snx1.tmp3", [](const JobFixture& f) { return f.compress.last() == 101; }},          // before the copy
  };
  for (const CutRow& row : rows) {
    SCOPED_TRACE(row.temporary);
    JobFixture f;
    f.setInput("in.wav", chords(6.0));
    bool cut = false;
    f.host.onPump = [&] {
      if (cut || !row.due(f)) return;
      fs::resize_file(f.output.file(row.temporary), 0);
      cut = true;
    };
    EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
    EXPECT_EQ(f.host.texts(), Names{"Error: Cannot read file."});
    EXPECT_EQ(f.left(), Left({}, 1));
  }
}

}  // namespace
}  // namespace sonaflux
