#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <pty.h>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using test::ProgramCopy;
using Names = std::vector<std::string>;

std::int64_t sizeOf(const std::string& path) {
  std::error_code error;
  auto size = fs::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

// Long enough that a job is still running when the test acts on it.
const std::vector<std::uint8_t>& longWav() {
  static const std::vector<std::uint8_t> bytes = test::makePcmWav(44100, 2, 16, test::chordSequence(40.0, 44100, 2));
  return bytes;
}

std::vector<std::uint8_t> shortWav() { return test::makePcmWav(22050, 1, 16, test::sineTone(440, 0.5, 22050, 1)); }

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
      ChildProcess job(f.argv({f.input("long.wav", longWav())}));
      ASSERT_TRUE(job.waitFor([&] { return sizeOf(f.output.file(moment.file)) > moment.size; }));
      job.signal(signal);
      test::ProcessResult r = job.wait();
      EXPECT_EQ(r.exitCode, 128 + signal) << r.err;
      EXPECT_NE(r.err.find("Cancelled\n"), std::string::npos) << r.err;
      // The stage that was running is shown cancelled, never done.
      std::size_t cancelled = r.err.find(" cancelled\n");
      if (moment.inStage) {
        ASSERT_NE(cancelled, std::string::npos) << r.err;
        std::string stage = r.err.substr(0, cancelled);
        stage = stage.substr(stage.rfind('\n') + 1);
        EXPECT_EQ(r.err.find(stage + " done"), std::string::npos) << r.err;
      }
      EXPECT_TRUE(f.output.entries().empty());
      EXPECT_EQ(f.numberOnDisk(), 1);
      EXPECT_FALSE(fs::exists(f.program.file("snx.da0.new")));
    }
  }
}

TEST(CliEndings, NextJobRecoversWhatAKilledJobLeftAndNothingElse) {
  ProgramCopy f;
  {
    ChildProcess job(f.argv({f.input("long.wav", longWav())}));
    ASSERT_TRUE(job.waitFor([&] { return sizeOf(f.output.file("snx1.tmp2")) > 0; }));
    job.signal(SIGKILL);
    job.wait();
  }
  EXPECT_EQ(f.output.entries(), (Names{"snx1.htm", "snx1.tmp1", "snx1.tmp2", "snx1.tmp3", "snx1s.swf"}));
  EXPECT_EQ(f.numberOnDisk(), 2);

  // A set another program's running job holds, a finished page beside an
  // old temporary, an unrelated file and a save the killed job never renamed.
  const std::pair<const char*, const char*> files[] = {{"snx7.tmp1", "running"}, {"snx7.htm", ""},
                                                       {"snx3.htm", "finished page"}, {"snx3.tmp2", "old"},
                                                       {"snx3e.swf", ""}, {"notes.txt", ""}};
  for (const auto& [name, contents] : files) test::writeFileText(f.output.file(name), contents);
  test::LockHolder otherJob(f.output.file("snx7.tmp1"));
  ASSERT_TRUE(otherJob.holding());
  test::writeFileText(f.program.file("snx.da0.new"), "half");

  test::ProcessResult next = f.run({f.input("short.wav", shortWav())});
  ASSERT_EQ(next.exitCode, 0) << next.err;
  EXPECT_NE(next.out.find("Created web page \"snx2.htm\""), std::string::npos);
  EXPECT_EQ(f.output.entries(), (Names{"notes.txt", "snx2.htm", "snx2s.swf", "snx3.htm", "snx7.htm", "snx7.tmp1"}));
  EXPECT_EQ(test::readFileText(f.output.file("snx3.htm")), "finished page");
  EXPECT_FALSE(fs::exists(f.program.file("snx.da0.new")));
  EXPECT_EQ(f.numberOnDisk(), 3);
}

TEST(CliEndings, FailedRunsEndWithFailedAndSayWhatToDo) {
  ProgramCopy f;
  std::string wav = f.input("tune.wav", shortWav());
  mkfifo(f.inputs.file("pipe.wav").c_str(), 0644);
  const struct {
    const char* name;
    std::function<void(ProgramCopy&)> prepare;
    std::string input;
    std::string expected;  // the whole of standard error when it starts with "Error"
  } rows[] = {
      {"refused input", nullptr, f.inputs.file("missing.wav"),
       "Error: Input file not found \"" + f.inputs.file("missing.wav") + "\".\nFailed\n"},
      // Opening a pipe must not hang the process.
      {"pipe as input", nullptr, f.inputs.file("pipe.wav"), "Failed\n"},
      {"missing parameters file", [](ProgramCopy& g) { fs::remove(g.program.file("snx.da0")); }, wav,
       "Error: Missing parameters file.\nFailed\n"},
      {"missing output folder",
       [](ProgramCopy& g) {
         g.settings.outputFolderPath = g.output.path() + "gone";
         g.saveSettings();
       },
       wav,
       "The output folder \"" + f.output.path() + "gone/\" does not exist; --output-folder DIR chooses another.\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    f.settings = test::testSettings(f.output.path());
    f.saveSettings();
    if (row.prepare) row.prepare(f);
    ChildProcess job(f.argv({row.input}));
    ASSERT_TRUE(job.endsWithin(std::chrono::seconds(20)));
    test::ProcessResult r = job.wait();
    EXPECT_EQ(r.exitCode, 1);
    if (row.expected.starts_with("Error")) {
      EXPECT_EQ(r.err, row.expected);
    }
    EXPECT_NE(r.err.find(row.expected), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("Failed\n")) << r.err;
    EXPECT_EQ(r.err.find("done"), std::string::npos) << r.err;
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_LE(f.numberOnDisk(), 1);  // -1: no parameters file at all
  }
}

// Runs the command line on a terminal of the given width; everything it drew.
std::string runOnTerminal(const ProgramCopy& f, const std::string& input, unsigned short columns) {
  winsize size{};
  size.ws_col = columns;
  size.ws_row = 24;
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    std::string cli = f.cli();
    ::execl(cli.c_str(), cli.c_str(), input.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string screen;
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, static_cast<std::size_t>(n));
  ::close(master);
  ::waitpid(pid, nullptr, 0);
  return screen;
}

// The visible lines: escape sequences dropped, split at CR and LF.
Names visibleLines(const std::string& screen) {
  std::string plain = std::regex_replace(screen, std::regex("\x1b\\[[0-?]*[ -/]*[@-~]"), "");
  Names lines;
  const std::regex lineEnds("[\r\n]+");
  std::sregex_token_iterator line(plain.begin(), plain.end(), lineEnds, -1);
  for (; line != std::sregex_token_iterator(); ++line)
    if (line->length() > 0) lines.push_back(*line);
  return lines;
}

TEST(CliEndings, ProgressFitsTheTerminalOrFallsBackToPlainLines) {
  ProgramCopy f;
  std::string in = f.input("tune.wav", test::makePcmWav(22050, 1, 16, test::sineTone(440, 3.0, 22050, 1)));
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
