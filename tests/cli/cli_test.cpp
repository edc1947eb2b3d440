#include <gtest/gtest.h>
#include <httplib.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <regex>
#include <string>

#include "cli/arguments.h"
#include "settings/parameters_file.h"
#include "tests/support/ffmpeg_tools.h"
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

TEST(CliArguments, ParsesOptionsAndRefusesWhatItCannotRead) {
  std::string error;
  cli::Arguments all = cli::parseArguments({"--title", "", "--yes", "--output-folder", "out", "in.wav"}, error).value();
  EXPECT_EQ(std::tuple(all.title.value_or("none"), all.assumeYes, all.outputFolder), std::tuple("", true, "out"));
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::optional<PageFor> pageFor;
    bool open;
  } rows[] = {
      {{"in.wav"}, "in.wav", std::nullopt, false},
      {{"--", "--odd name.mp3"}, "--odd name.mp3", std::nullopt, false},
      {{"--page", "flash", "a"}, "a", PageFor::FlashPlayers, false},
      {{"--page", "ruffle", "a"}, "a", PageFor::FlashAndRuffleOnline, false},
      {{"--page", "ruffle-copy", "--open", "a"}, "a", PageFor::FlashAndRuffleCopied, true},
      {{"--open", "--page", "html5", "a"}, "a", PageFor::EveryBrowser, true},
  };
  for (const auto& row : rows) {
    auto a = cli::parseArguments(row.args, error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(std::tuple(a->input, a->pageFor, a->openInBrowser, a->title.has_value(), a->assumeYes),
              std::tuple(row.input, row.pageFor, row.open, false, false));
  }
  const Names bad[] = {{},
                       {"--title"},
                       {"--bogus", "a"},
                       {"a", "b"},
                       {"a", "--page"},
                       {"--page", "", "a"},
                       {"--page", "HTML5", "a"},
                       {"--output-folder", "", "a"},
                       {"--serve"},
                       {"--serve", "out", "--open"}};
  for (const auto& args : bad) {
    error.clear();
    EXPECT_FALSE(cli::parseArguments(args, error)) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

TEST(CliArguments, ServeTakesAFolderAndMaybeAPage) {
  std::string error;
  cli::Arguments a = cli::parseArguments({"--serve", "out", "snx2.htm"}, error).value();
  EXPECT_EQ(std::pair(a.serveFolder.value_or(""), a.input), std::pair(std::string("out"), std::string("snx2.htm")));
  EXPECT_TRUE(cli::parseArguments({"--serve", "out"}, error)) << error;
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

TEST(Cli, OptionsHoldForOneRunThePageSettingIsFollowedAndOverwritingNeedsYes) {
  ProgramCopy f;
  test::TempFolder elsewhere;
  std::string in = f.input("a.wav", tune(3.5));
  test::ProcessResult r = f.run({"--page", "html5", "--output-folder", elsewhere.path(), in});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "Finished Successfully!\nCreated web page \"snx1.htm\"\nCreated Flash streaming animation "
            "\"snx1s.swf\"\nCreated MP3 sound \"snx1.mp3\"\nin " +
                elsewhere.path() + "\n");
  EXPECT_EQ(elsewhere.entries(), (Names{"snx1.htm", "snx1.mp3", "snx1s.swf"}));
  EXPECT_EQ(f.left(), Left({}, 2));
  SettingsRecord stored = decodeParameters(readFileText(f.program.file("snx.da0"))).value();
  EXPECT_EQ(std::pair(stored.pageFor, stored.outputFolderPath), std::pair(PageFor::FlashPlayers, f.output.path()));
  test::StreamInfo info = test::probeAudio(elsewhere.file("snx1.mp3")).value();
  EXPECT_EQ(std::tie(info.formatName, info.codecName, info.sampleRate, info.channels, info.bitRate),
            std::tuple("mp3", "mp3", 22050, 1, 24000L));
  EXPECT_NEAR(info.duration, 3.5, 0.2);

  f.settings.pageFor = PageFor::EveryBrowser;
  f.saveSettings();
  ASSERT_EQ(f.run({in}).exitCode, 0);
  EXPECT_EQ(f.output.entries(), (Names{"snx1.htm", "snx1.mp3", "snx1s.swf"}));
  EXPECT_EQ(decodeParameters(readFileText(f.program.file("snx.da0")))->pageFor, PageFor::EveryBrowser);
  const std::string page = readFileText(f.output.file("snx1.htm"));
  f.saveSettings();  // number 1 again: the earlier .mp3 is part of the set the question names
  test::ProcessResult no = f.run({in});
  EXPECT_EQ(no.exitCode, 1);
  EXPECT_NE(no.err.find("Is it OK to overwrite these files:\n" + f.output.file("snx1s.swf") + "\n" +
                        f.output.file("snx1.htm") + "\n" + f.output.file("snx1.mp3")),
            npos)
      << no.err;
  EXPECT_EQ(readFileText(f.output.file("snx1.htm")), page);
  test::ProcessResult yes = f.run({"--yes", "--title", "Again", in});
  EXPECT_EQ(yes.exitCode, 0) << yes.err;
  EXPECT_NE(readFileText(f.output.file("snx1.htm")), page);
  EXPECT_EQ(f.numberOnDisk(), 2);
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

TEST(Cli, WritesPastTheFileSizeLimitFailAndLeaveNothingBehind) {
  for (const char* page : {"flash", "html5"}) {
    SCOPED_TRACE(page);
    ProgramCopy f;
    // tmp2 needs about 880 KB.
    test::ProcessResult r = f.run({"--page", page, f.input("long.wav", tune(20.0))}, 256 * 1024);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Error: Cannot write file.\n"), npos) << r.err;
    EXPECT_EQ(f.left(), Left({}, 1));
  }
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
  for (int n = 1; n <= 4; ++n) {
    auto info = test::probeAudio(f.output.file("snx" + std::to_string(n) + "s.swf")).value_or(test::StreamInfo{});
    EXPECT_EQ(info.codecName, "mp3") << n;
  }
}

std::int64_t sizeOf(const std::string& path) {
  std::error_code error;  // a missing file's size reads as -1
  return static_cast<std::int64_t>(fs::file_size(path, error));
}

// Long enough that a job is still running when the test acts on it.
const std::vector<std::uint8_t>& longWav() {
  static const std::vector<std::uint8_t> bytes = test::makePcmWav(44100, 2, 16, test::chordSequence(40.0, 44100, 2));
  return bytes;
}

TEST(CliEndings, StopSignalsCancelLikeCtrlCAtEveryMoment) {
  const struct {
    const char* name;
    const char* file;
    std::int64_t size;  // the moment: once the file is larger than this (-1: missing)
    bool inStage;
  } moments[] = {{"the set is made, between stages", "snx1s.swf", -1, false},
                 {"reading", "snx1.tmp2", 0, true},
                 {"compressing", "snx1.tmp3", 0, true}};
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    for (const auto& moment : moments) {
      SCOPED_TRACE(std::string(strsignal(signal)) + " once " + moment.name);
      ProgramCopy f;
      test::ChildProcess job(f.argv({f.input("long.wav", longWav())}));
      ASSERT_TRUE(job.waitFor([&] { return sizeOf(f.output.file(moment.file)) > moment.size; }));
      job.signal(signal);
      test::ProcessResult r = job.wait();
      EXPECT_EQ(r.exitCode, 128 + signal) << r.err;
      EXPECT_NE(r.err.find("Cancelled\n"), std::string::npos) << r.err;
      // The stage that was running is shown cancelled, never done.
      std::smatch stage;
      if (moment.inStage) {
        ASSERT_TRUE(std::regex_search(r.err, stage, std::regex("([^\n]*) cancelled\n"))) << r.err;
        EXPECT_EQ(r.err.find(stage[1].str() + " done"), npos) << r.err;
      }
      EXPECT_EQ(f.left(), Left({}, 1));
      EXPECT_FALSE(fs::exists(f.program.file("snx.da0.new")));
    }
  }
}

TEST(CliEndings, NextJobRecoversWhatAKilledJobLeftAndNothingElse) {
  ProgramCopy f;
  {
    test::ChildProcess job(f.argv({f.input("long.wav", longWav())}));
    ASSERT_TRUE(job.waitFor([&] { return sizeOf(f.output.file("snx1.tmp2")) > 0; }));
    job.signal(SIGKILL);
    job.wait();
  }
  EXPECT_EQ(f.left(), Left({"snx1.htm", "snx1.tmp1", "snx1.tmp2", "snx1.tmp3", "snx1s.swf"}, 2));

  // A set another program's running job holds, a finished page beside an
  // old temporary, an unrelated file and a save the killed job never renamed.
  const std::pair<const char*, const char*> files[] = {
      {"snx7.tmp1", "running"}, {"snx7.htm", ""},  {"snx3.htm", "finished page"},
      {"snx3.tmp2", "old"},     {"snx3e.swf", ""}, {"notes.txt", ""}};
  for (const auto& [name, contents] : files) test::writeFileText(f.output.file(name), contents);
  test::LockHolder otherJob(f.output.file("snx7.tmp1"));
  ASSERT_TRUE(otherJob.holding());
  test::writeFileText(f.program.file("snx.da0.new"), "half");

  test::ProcessResult next = f.run({f.input("short.wav", tune(0.5))});
  ASSERT_EQ(next.exitCode, 0) << next.err;
  EXPECT_NE(next.out.find("Created web page \"snx2.htm\""), std::string::npos);
  EXPECT_EQ(f.left(), Left({"notes.txt", "snx2.htm", "snx2s.swf", "snx3.htm", "snx7.htm", "snx7.tmp1"}, 3));
  EXPECT_EQ(test::readFileText(f.output.file("snx3.htm")), "finished page");
  EXPECT_FALSE(fs::exists(f.program.file("snx.da0.new")));
}

// Whatever ends a run early leaves no output and the number as it was.
TEST(CliEndings, ExitCodesAndWhatEachRunThatMakesNoPageSays) {
  ProgramCopy f;
  std::string wav = f.input("tune.wav", tune(0.5)), pipe = f.inputs.file("pipe.wav");
  // Passes the input check, yet holds no sound.
  std::string noSound = f.input("broken.mp3", std::vector<std::uint8_t>(4096, 0x55));
  mkfifo(pipe.c_str(), 0644);
  const std::string firstStageFailed = "Reading in, analysing and cleaning: failed\n";
  const struct {
    const char* name;
    std::function<void(ProgramCopy&)> prepare;
    std::string argument;
    int exitCode;
    std::string err, out = "";  // the whole of err, the start of out
  } rows[] = {
      {"help", nullptr, "--help", 0, "", "Usage: sonaflux-cli"},
      {"version", nullptr, "--version", 0, "", "sonaflux-cli 1.25\n"},
      {"usage error", nullptr, "--frobnicate", 2,
       "sonaflux-cli: unknown option --frobnicate\nTry 'sonaflux-cli --help'.\n"},
      // Opening a pipe must not hang the process.
      {"pipe as input", nullptr, pipe, 1,
       "Error: Input file not found \"" + pipe + "\".\n" + firstStageFailed + "Failed\n"},
      {"no sound", nullptr, noSound, 1,
       "Error: No audio data found in input file \"" + noSound + "\".\n" + firstStageFailed + "Failed\n"},
      {"missing parameters file", [](ProgramCopy& g) { fs::remove(g.program.file("snx.da0")); }, wav, 1,
       "Error: Missing parameters file.\nFailed\n"},
      {"missing output folder",
       [](ProgramCopy& g) {
         g.settings.outputFolderPath = g.output.path() + "gone";
         g.saveSettings();
       },
       wav, 1,
       "Error: Output folder not found. Select a valid folder in \"Options\".\n" + firstStageFailed +
           "The output folder \"" + f.output.path() +
           "gone/\" does not exist; --output-folder DIR chooses another.\n"
           "Failed\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    f.settings = test::testSettings(f.output.path());
    f.saveSettings();
    if (row.prepare) row.prepare(f);
    test::ChildProcess job(f.argv({row.argument}));
    ASSERT_TRUE(job.endsWithin(std::chrono::seconds(20)));
    test::ProcessResult r = job.wait();
    EXPECT_EQ(r.exitCode, row.exitCode);
    EXPECT_EQ(r.err, row.err);
    EXPECT_TRUE(r.out.starts_with(row.out)) << r.out;
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_LE(f.numberOnDisk(), 1);  // -1: no parameters file at all
  }
}

// Runs the command line on a terminal of the given width; everything it drew.
std::string runOnTerminal(const ProgramCopy& f, const std::string& input, unsigned short columns) {
  winsize size{.ws_row = 24, .ws_col = columns, .ws_xpixel = 0, .ws_ypixel = 0};
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    std::string cli = f.cli();
    ::execl(cli.c_str(), cli.c_str(), input.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string screen;
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, std::size_t(n));
  ::close(master);
  ::waitpid(pid, nullptr, 0);
  return screen;
}

// The visible lines: escape sequences dropped, split at CR and LF.
Names visibleLines(const std::string& screen) {
  std::string plain = std::regex_replace(screen, std::regex("\x1b\\[[0-?]*[ -/]*[@-~]"), "");
  const std::regex lineEnds("[\r\n]+");
  Names lines(std::sregex_token_iterator(plain.begin(), plain.end(), lineEnds, -1), {});
  std::erase(lines, "");
  return lines;
}

TEST(CliEndings, ProgressFitsTheTerminalOrFallsBackToPlainLines) {
  ProgramCopy f;
  std::string in = f.input("tune.wav", tune(3.0));
  for (auto [columns, bars] : {std::pair<unsigned short, bool>{120, true}, {80, true}, {59, false}, {30, false}}) {
    SCOPED_TRACE(columns);
    std::string screen = runOnTerminal(f, in, columns);
    ASSERT_NE(screen.find("Finished Successfully!"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("\x1b[") != std::string::npos, bars);
    Names lines = visibleLines(screen);
    // Bars (not result lines) fit; plain lines are a handful per stage, however long the job.
    for (const std::string& line : lines)
      EXPECT_TRUE(line.find('[') == std::string::npos || line.size() < columns) << line;
    EXPECT_TRUE(bars || lines.size() <= 4u * 5u + 8u) << lines.size();
  }
}

}  // namespace
}  // namespace sonaflux
