#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>
#include <csignal>
#include <filesystem>
#include <regex>
#include <string>

#include "cli/arguments.h"
#include "settings/parameters_file.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "writers/player_copy.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::Left;
using test::ProgramCopy;
using test::readFileText;
using Names = std::vector<std::string>;

constexpr auto npos = std::string::npos;

std::vector<std::uint8_t> tune(double seconds) {
  return test::makePcmWav(22050, 1, 16, test::chordSequence(seconds, 22050, 1));
}

struct AcceptedRow {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::optional<PageFor> pageFor = std::nullopt;
  bool open = false;
};

TEST(CliArguments, TakeEachFormOfTheCommand) {
  const AcceptedRow rows[] = {
      {"input after --", {"--", "--odd name.mp3"}, "--odd name.mp3"},
      {"copied player, opened", {"--page", "ruffle-copy", "--open", "a"}, "a", PageFor::FlashAndRuffleCopied, true},
  };
  for (const AcceptedRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string error;
    const std::optional<cli::Arguments> a = cli::parseArguments(row.args, error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->input, row.input);
    EXPECT_EQ(a->pageFor, row.pageFor);
    EXPECT_EQ(a->openInBrowser, row.open);
  }
}

TEST(CliArguments, RefuseWhatTheyCannotRead) {
  const Names refused[] = {{},
                           {"--title"},
                           {"a", "b"},
                           {"--page", "HTML5", "a"},
                           {"--output-folder", "", "a"}};
  for (const Names& args : refused) {
    std::string error;
    EXPECT_FALSE(cli::parseArguments(args, error)) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

// Standard input is empty: serving goes on until a stop signal.
TEST(Cli, ServeShowsAnExistingSetUntilStoppedWhateverItsInput) {
  test::TempFolder folder, noLauncher;
  test::writeFileText(folder.file("snx3.htm"), "<p>three</p>");
  test::ChildProcess serving(
      {"/usr/bin/env", "PATH=" + noLauncher.path(), test::programFolder() + "sonaflux-cli", "--serve", folder.path()});
  int port = 0;
  std::string path;
  ASSERT_TRUE(serving.waitFor([&] {
    std::smatch match;
    const std::string out = serving.outputSoFar();
    if (!std::regex_search(out, match, std::regex("Serving http://127\\.0\\.0\\.1:(\\d+)(/\\S+)"))) return false;
    port = std::stoi(match[1]);
    path = match[2];
    return true;
  }));
  EXPECT_FALSE(serving.endsWithin(std::chrono::milliseconds(500))) << "stopped serving when its input ended";
  httplib::Client client("127.0.0.1", port);
  httplib::Result page = client.Get(path.c_str());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->body, "<p>three</p>");
  serving.signal(SIGTERM);
  EXPECT_EQ(serving.wait().exitCode, 0);
}

TEST(Cli, PageAndOutputFolderOptionsHoldForOneRun) {
  ProgramCopy f;
  test::TempFolder elsewhere;
  test::ProcessResult r = f.run({"--page", "html5", "--output-folder", elsewhere.path(), f.input("a.wav", tune(0.5))});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "Finished Successfully!\nCreated web page \"snx1.htm\"\nCreated Flash streaming animation "
            "\"snx1s.swf\"\nCreated MP3 sound \"snx1.mp3\"\nin " +
                elsewhere.path() + "\n");
  EXPECT_EQ(elsewhere.entries(), (Names{"snx1.htm", "snx1.mp3", "snx1s.swf"}));
  EXPECT_EQ(f.left(), Left({}, 2));
  EXPECT_EQ(decodeParameters(readFileText(f.program.file("snx.da0")))->pageFor, PageFor::FlashPlayers);
}

// Without --yes nobody is asked: the answer is No.
TEST(Cli, OverwritingAnEarlierSetNeedsYes) {
  ProgramCopy f;
  std::string in = f.input("a.wav", tune(0.5));
  ASSERT_EQ(f.run({in}).exitCode, 0);
  const std::string page = readFileText(f.output.file("snx1.htm"));
  EXPECT_NE(page.find("      a\r\n"), npos);  // the title the input check found
  f.saveSettings();                             // number 1 again
  test::ProcessResult no = f.run({in});
  EXPECT_EQ(no.exitCode, 1);
  EXPECT_NE(no.err.find("Is it OK to overwrite these files:\n" + f.output.file("snx1s.swf") + "\n" +
                        f.output.file("snx1.htm") + "\nNo (not asked"),
            npos)
      << no.err;
  EXPECT_EQ(readFileText(f.output.file("snx1.htm")), page);
  test::ProcessResult yes = f.run({"--yes", "--title", "Again", in});
  EXPECT_EQ(yes.exitCode, 0) << yes.err;
  EXPECT_NE(readFileText(f.output.file("snx1.htm")).find("      Again\r\n"), npos);
}

TEST(Cli, PlayerIsCopiedBesideThePageOnce) {
  ProgramCopy f;
  std::string in = f.input("a.wav", tune(0.5));
  test::ProcessResult first = f.run({"--page", "ruffle-copy", in});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out.find("Copied player folder \"player\"\n"), npos) << first.out;
  for (const auto& entry : fs::directory_iterator(programPlayerFolder(f.program.path())))
    EXPECT_EQ(fs::file_size(fs::path(f.output.file("player")) / entry.path().filename()), fs::file_size(entry.path()));

  test::ProcessResult second = f.run({"--page", "ruffle-copy", in});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out.find("Copied player folder"), npos);
  EXPECT_EQ(f.output.entries(), (Names{"player", "snx1.htm", "snx1s.swf", "snx2.htm", "snx2s.swf"}));
}

TEST(Cli, TwoProcessesAtOnceNeverShareAnOutputNumber) {
  ProgramCopy f;
  std::string list;
  for (int i = 0; i < 4; ++i) list += f.input("in" + std::to_string(i) + ".wav", tune(1.5)) + "\n";
  test::writeFileText(f.inputs.file("list"), list);
  test::ProcessResult r =
      test::runProcess({"sh", "-c", "xargs -P 2 -n 1 '" + f.cli() + "' < '" + f.inputs.file("list") + "'"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(
      f.left(),
      Left({"snx1.htm", "snx1s.swf", "snx2.htm", "snx2s.swf", "snx3.htm", "snx3s.swf", "snx4.htm", "snx4s.swf"}, 5));
}

// Caught while a stage runs: the job cleans up and the stage is shown cancelled, never done.
// The other stop signals have the same handler.
TEST(CliEndings, StopSignalCancelsTheJob) {
  ProgramCopy f;
  const std::vector<std::uint8_t> wav = test::makePcmWav(44100, 2, 16, test::chordSequence(40.0, 44100, 2));
  test::ChildProcess job(f.argv({f.input("long.wav", wav)}));
  ASSERT_TRUE(job.waitFor([&] {
    std::error_code error;
    return fs::file_size(f.output.file("snx1.tmp2"), error) > 0 && !error;
  }));
  job.signal(SIGINT);
  test::ProcessResult r = job.wait();
  EXPECT_EQ(r.exitCode, 128 + SIGINT) << r.err;
  std::smatch stage;
  ASSERT_TRUE(std::regex_search(r.err, stage, std::regex("([^\n]*) cancelled\nCancelled\n$"))) << r.err;
  EXPECT_EQ(r.err.find(stage[1].str() + " done"), npos) << r.err;
  EXPECT_EQ(f.left(), Left({}, 1));
}

struct EndingRow {
  const char* name;
  std::function<void(ProgramCopy&)> prepare;
  std::function<std::string(const ProgramCopy&)> argument;
  int exitCode;
  // The whole of standard error, with {out} for the output folder and {in} for the argument.
  std::string err;
  std::string outStart = "";
};

void PrintTo(const EndingRow& row, std::ostream* out) { *out << row.name; }

std::string replaced(std::string text, const std::string& key, const std::string& value) {
  for (std::size_t at; (at = text.find(key)) != npos;) text.replace(at, key.size(), value);
  return text;
}

const std::string kFirstStageFailed = "Reading in, analysing and cleaning: failed\n";

const EndingRow kEndings[] = {
    {"Help", nullptr, [](auto&) { return "--help"; }, 0, "", "Usage: sonaflux-cli"},
    {"UsageError", nullptr, [](auto&) { return "--frobnicate"; }, 2,
     "sonaflux-cli: unknown option --frobnicate\nTry 'sonaflux-cli --help'.\n"},
    // Opening a pipe must not hang the process.
    {"PipeAsInput", nullptr,
     [](auto& f) {
       mkfifo(f.inputs.file("pipe.wav").c_str(), 0644);
       return f.inputs.file("pipe.wav");
     },
     1, "Error: Input file not found \"{in}\".\n" + kFirstStageFailed + "Failed\n"},
    {"MissingParametersFile", [](ProgramCopy& f) { fs::remove(f.program.file("snx.da0")); },
     [](auto& f) { return f.input("tune.wav", tune(0.5)); }, 1, "Error: Missing parameters file.\nFailed\n"},
    {"MissingOutputFolder",
     [](ProgramCopy& f) {
       f.settings.outputFolderPath = f.output.path() + "gone";
       f.saveSettings();
     },
     [](auto& f) { return f.input("tune.wav", tune(0.5)); }, 1,
     "Error: Output folder not found. Select a valid folder in \"Options\".\n" + kFirstStageFailed +
         "The output folder \"{out}gone/\" does not exist; --output-folder DIR chooses another.\nFailed\n"},
};

class RunWithoutPage : public ::testing::TestWithParam<EndingRow> {};

// Whatever ends a run early leaves no output and the number as it was.
TEST_P(RunWithoutPage, EndsWithItsExitCodeAndMessage) {
  const EndingRow& row = GetParam();
  ProgramCopy f;
  if (row.prepare) row.prepare(f);
  const std::string argument = row.argument(f);
  test::ChildProcess job(f.argv({argument}));
  ASSERT_TRUE(job.endsWithin(std::chrono::seconds(20)));
  test::ProcessResult r = job.wait();
  EXPECT_EQ(r.exitCode, row.exitCode);
  EXPECT_EQ(r.err, replaced(replaced(row.err, "{out}", f.output.path()), "{in}", argument));
  EXPECT_TRUE(r.out.starts_with(row.outStart)) << r.out;
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_LE(f.numberOnDisk(), 1);  // -1: no parameters file at all
}

INSTANTIATE_TEST_SUITE_P(CliEndings, RunWithoutPage, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonaflux
