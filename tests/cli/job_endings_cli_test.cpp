#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/program_copy.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using test::TempFolder;

struct Folders {
  TempFolder inputs, output;
};

struct EndingsFixture : Folders, test::ProgramCopy {
  EndingsFixture() : ProgramCopy(output.path()) {}
  std::string input(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    test::writeFileBytes(inputs.file(name), bytes);
    return inputs.file(name);
  }
  std::vector<std::string> argv(const std::vector<std::string>& arguments) const {
    std::vector<std::string> all = {cli()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
  }
  std::int64_t sizeOf(const std::string& name) const {
    std::error_code error;
    auto size = fs::file_size(output.file(name), error);
    return error ? -1 : static_cast<std::int64_t>(size);
  }
};

// Long enough that a job is still running when the test acts on it.
const std::vector<std::uint8_t>& longWav() {
  static const std::vector<std::uint8_t> bytes =
      test::makePcmWav(44100, 2, 16, test::chordSequence(40.0, 44100, 2));
  return bytes;
}

std::vector<std::uint8_t> shortWav() {
  return test::makePcmWav(22050, 1, 16, test::sineTone(440, 0.5, 22050, 1));
}

TEST(CliEndings, StopSignalsCancelLikeCtrlCAtEveryMoment) {
  struct Moment {
    const char* name;
    bool (*reached)(const EndingsFixture&);
  };
  const Moment moments[] = {
      {"reading the input", [](const EndingsFixture& f) { return f.sizeOf("snx1.tmp2") > 0; }},
      {"compressing", [](const EndingsFixture& f) { return f.sizeOf("snx1.tmp3") > 0; }},
  };
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    for (const Moment& moment : moments) {
      SCOPED_TRACE(std::string(strsignal(signal)) + " while " + moment.name);
      EndingsFixture f;
      std::string in = f.input("long.wav", longWav());
      ChildProcess job(f.argv({in}));
      ASSERT_TRUE(job.waitFor([&] { return moment.reached(f); }));
      job.signal(signal);
      test::ProcessResult r = job.wait();
      EXPECT_EQ(r.exitCode, 128 + signal) << r.err;
      EXPECT_NE(r.err.find("Cancelled\n"), std::string::npos) << r.err;
      // The stage that was running is shown cancelled, never done.
      std::size_t cancelled = r.err.find(" cancelled\n");
      ASSERT_NE(cancelled, std::string::npos) << r.err;
      std::string stage = r.err.substr(0, cancelled);
      stage = stage.substr(stage.rfind('\n') + 1);
      EXPECT_EQ(r.err.find(stage + " done"), std::string::npos) << r.err;
      EXPECT_TRUE(f.output.entries().empty());
      EXPECT_EQ(f.numberOnDisk(), 1);
      EXPECT_FALSE(fs::exists(f.program.file("snx.da0.new")));
    }
  }
}

TEST(CliEndings, NextJobRecoversWhatAKilledJobLeftAndNothingElse) {
  EndingsFixture f;
  std::string in = f.input("long.wav", longWav());
  {
    ChildProcess job(f.argv({in}));
    ASSERT_TRUE(job.waitFor([&] { return f.sizeOf("snx1.tmp2") > 0; }));
    job.signal(SIGKILL);
    job.wait();
    ASSERT_EQ(job.endSignal(), SIGKILL);
  }
  EXPECT_EQ(f.output.entries(),
            (std::vector<std::string>{"snx1.htm", "snx1.tmp1", "snx1.tmp2", "snx1.tmp3", "snx1s.swf"}));
  EXPECT_EQ(f.numberOnDisk(), 2);

  // A set another program's running job holds, a finished page beside an
  // old temporary, an unrelated file and a save the killed job never renamed.
  test::writeFileText(f.output.file("snx7.tmp1"), "running");
  test::writeFileText(f.output.file("snx7.htm"), "");
  test::LockHolder otherJob(f.output.file("snx7.tmp1"));
  ASSERT_TRUE(otherJob.holding());
  test::writeFileText(f.output.file("snx3.htm"), "finished page");
  test::writeFileText(f.output.file("snx3.tmp2"), "old");
  test::writeFileText(f.output.file("snx3e.swf"), "");
  test::writeFileText(f.output.file("notes.txt"), "");
  test::writeFileText(f.program.file("snx.da0.new"), "half");

  test::ProcessResult next = f.run({f.input("short.wav", shortWav())});
  ASSERT_EQ(next.exitCode, 0) << next.err;
  EXPECT_NE(next.out.find("Created web page \"snx2.htm\""), std::string::npos);
  EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"notes.txt", "snx2.htm", "snx2s.swf", "snx3.htm",
                                                          "snx7.htm", "snx7.tmp1"}));
  EXPECT_EQ(test::readFileText(f.output.file("snx3.htm")), "finished page");
  EXPECT_FALSE(fs::exists(f.program.file("snx.da0.new")));
  EXPECT_EQ(f.numberOnDisk(), 3);
}

TEST(CliEndings, CancelWhenTheSettingsCanNoLongerBeSavedStillEndsCancelled) {
  EndingsFixture f;
  std::string in = f.input("long.wav", longWav());
  test::ProcessOptions options;
  options.interruptWhen = [&] {
    if (f.sizeOf("snx1.tmp2") <= 0 || f.numberOnDisk() != 2) return false;
    // From now on no save can replace the parameters file.
    fs::create_directory(f.program.file("snx.da0.new"));
    return true;
  };
  test::ProcessResult r = f.run({in}, options);
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_NE(r.err.find("Error: Cannot write to parameters file.\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Cancelled\n"), std::string::npos) << r.err;
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.numberOnDisk(), 2);  // the number could not be taken back on disk
}

TEST(CliEndings, FailedRunsEndWithFailedAndSayWhatToDo) {
  EndingsFixture f;
  std::string wav = f.input("tune.wav", shortWav());
  mkfifo(f.inputs.file("pipe.wav").c_str(), 0644);
  const struct {
    const char* name;
    std::function<void(EndingsFixture&)> prepare;
    std::string input;
    std::string expected;
  } rows[] = {
      {"refused input", nullptr, f.inputs.file("missing.wav"),
       "Error: Input file not found \"" + f.inputs.file("missing.wav") + "\".\nFailed\n"},
      {"pipe as input", nullptr, f.inputs.file("pipe.wav"), "Failed\n"},
      {"missing parameters file", [](EndingsFixture& g) { fs::remove(g.program.file("snx.da0")); }, wav,
       "Error: Missing parameters file.\nFailed\n"},
      {"missing output folder",
       [](EndingsFixture& g) {
         g.settings.outputFolderPath = g.output.path() + "gone";
         g.saveSettings();
       },
       wav, "The output folder \"" + f.output.path() + "gone/\" does not exist; --output-folder DIR chooses another.\nFailed\n"},
      {"misspelt controller",
       [](EndingsFixture& g) {
         g.settings.outputMode = kOutputModeController;
         g.settings.controllerName = "Clasic01150040";
         g.saveSettings();
       },
       wav, "Error: Cannot open controller \"" + f.program.file("Controllers/Clasic01150040.swf") + "\".\n"},
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
    EXPECT_NE(r.err.find(row.expected), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.size() >= 7 && r.err.substr(r.err.size() - 7) == "Failed\n") << r.err;
    EXPECT_EQ(r.err.find("done"), std::string::npos) << r.err;
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_LE(f.numberOnDisk(), 1);  // -1: no parameters file at all
  }
}

// Runs the command line on a terminal of the given width; everything it drew.
std::string runOnTerminal(const EndingsFixture& f, const std::string& input, unsigned short columns) {
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
  for (;;) {
    ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    screen.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return screen;
}

// The visible lines: escape sequences dropped, split at CR and LF.
std::vector<std::string> visibleLines(const std::string& screen) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < screen.size(); ++i) {
    char c = screen[i];
    if (c == '\x1b' && i + 1 < screen.size() && screen[i + 1] == '[') {
      i += 2;
      while (i < screen.size() && !(screen[i] >= '@' && screen[i] <= '~')) ++i;
    } else if (c == '\r' || c == '\n') {
      if (!lines.back().empty()) lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

TEST(CliEndings, ProgressFitsTheTerminalOrFallsBackToPlainLines) {
  const struct {
    unsigned short columns;
    bool bars;
  } rows[] = {{120, true}, {80, true}, {59, false}, {30, false}};
  EndingsFixture f;
  std::string in = f.input("tune.wav", test::makePcmWav(22050, 1, 16, test::sineTone(440, 3.0, 22050, 1)));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.columns);
    std::string screen = runOnTerminal(f, in, row.columns);
    ASSERT_NE(screen.find("Finished Successfully!"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("\x1b[") != std::string::npos, row.bars);
    std::vector<std::string> lines = visibleLines(screen);
    for (const std::string& line : lines) {
      if (line.find('[') == std::string::npos) continue;  // result lines, not bars
      EXPECT_LT(line.size(), row.columns) << line;
    }
    // Plain lines: a handful per stage, however long the job.
    if (!row.bars) {
      EXPECT_LE(lines.size(), 4u * 5u + 8u);
    }
  }
}

}  // namespace
}  // namespace sonaflux
