#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "cli/arguments.h"
#include "settings/parameters_file.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"
#include "writers/player_copy.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::ProgramCopy;
using test::readFileText;
using Names = std::vector<std::string>;

constexpr auto npos = std::string::npos;

std::vector<std::uint8_t> tune(double seconds) {
  return test::makePcmWav(22050, 1, 16, test::chordSequence(seconds, 22050, 1));
}

TEST(CliArguments, ParsesOptionsAndRefusesWhatItCannotRead) {
  std::string error;
  auto all = cli::parseArguments({"--title", "", "--yes", "--output-folder", "out", "in.wav"}, error);
  ASSERT_TRUE(all);
  EXPECT_EQ(all->title, std::optional<std::string>(""));
  EXPECT_TRUE(all->assumeYes);
  EXPECT_EQ(all->outputFolder, "out");
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
    EXPECT_EQ(a->input, row.input);
    EXPECT_EQ(a->pageFor, row.pageFor);
    EXPECT_EQ(a->openInBrowser, row.open);
    EXPECT_FALSE(a->title);
    EXPECT_FALSE(a->assumeYes);
  }
  const Names bad[] = {{},           {"--title"},          {"--bogus", "a"},     {"a", "b"},
                       {"a", "--page"}, {"--page", "", "a"}, {"--page", "HTML5", "a"}, {"--output-folder", "", "a"}};
  for (const auto& args : bad) {
    error.clear();
    EXPECT_FALSE(cli::parseArguments(args, error)) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

TEST(Cli, HelpVersionAndUsageErrors) {
  ProgramCopy f;
  test::ProcessResult help = f.run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: sonaflux-cli"), npos);
  test::ProcessResult version = f.run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "sonaflux-cli 1.25\n");
  test::ProcessResult usage = f.run({"--frobnicate"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("unknown option --frobnicate"), npos);
}

TEST(Cli, OptionsHoldForOneRunAndTheEveryBrowserPageGetsTheStreamAsMp3) {
  ProgramCopy f;
  test::TempFolder elsewhere;
  test::ProcessResult r = f.run({"--page", "html5", "--output-folder", elsewhere.path(), f.input("a.wav", tune(3.5))});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Finished Successfully!\nCreated web page \"snx1.htm\"\nCreated Flash streaming animation "
                   "\"snx1s.swf\"\nCreated MP3 sound \"snx1.mp3\"\nin " + elsewhere.path() + "\n");
  EXPECT_EQ(elsewhere.entries(), (Names{"snx1.htm", "snx1.mp3", "snx1s.swf"}));
  EXPECT_TRUE(f.output.entries().empty());
  std::optional<SettingsRecord> stored = decodeParameters(readFileText(f.program.file("snx.da0")));
  EXPECT_EQ(stored->pageFor, PageFor::FlashPlayers);
  EXPECT_EQ(stored->outputFolderPath, f.output.path());

  std::optional<test::StreamInfo> info = test::probeAudio(elsewhere.file("snx1.mp3"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->formatName, "mp3");
  EXPECT_EQ(info->codecName, "mp3");
  EXPECT_EQ(info->sampleRate, 22050);
  EXPECT_EQ(info->channels, 1);
  EXPECT_EQ(info->bitRate, 24000);
  EXPECT_NEAR(info->duration, 3.5, 0.2);
}

TEST(Cli, FollowsTheStoredPageSettingAndOverwritesOnlyWhenTold) {
  ProgramCopy f;
  f.settings.pageFor = PageFor::EveryBrowser;
  f.saveSettings();
  std::string in = f.input("a.wav", tune(0.5));
  test::ProcessResult first = f.run({"--title", "Rock & Roll <live>", in});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(f.output.entries(), (Names{"snx1.htm", "snx1.mp3", "snx1s.swf"}));
  const std::string page = readFileText(f.output.file("snx1.htm"));
  EXPECT_NE(page.find("<title>Rock &amp; Roll &lt;live&gt;</title>"), npos);
  std::optional<SettingsRecord> saved = decodeParameters(readFileText(f.program.file("snx.da0")));
  EXPECT_EQ(saved->pageFor, PageFor::EveryBrowser);
  EXPECT_EQ(saved->nextOutputNumber, 2);

  f.saveSettings();  // number 1 again: the earlier .mp3 is part of the set the question names
  test::ProcessResult no = f.run({in});
  EXPECT_EQ(no.exitCode, 1);
  EXPECT_NE(no.err.find("Is it OK to overwrite these files:\n" + f.output.file("snx1s.swf") + "\n" +
                        f.output.file("snx1.htm") + "\n" + f.output.file("snx1.mp3")),
            npos)
      << no.err;
  EXPECT_EQ(readFileText(f.output.file("snx1.htm")), page);
  test::ProcessResult yes = f.run({"--yes", in});
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
  for (const auto& entry : fs::directory_iterator(programPlayerFolder(f.program.path()))) {
    fs::path copy = fs::path(f.output.path()) / "player" / entry.path().filename();
    ASSERT_TRUE(fs::exists(copy)) << copy;
    EXPECT_EQ(fs::file_size(copy), fs::file_size(entry.path())) << copy;
  }
  EXPECT_NE(readFileText(f.output.file("snx1.htm")).find("<script src=\"player/ruffle.js\"></script>"), npos);

  test::ProcessResult second = f.run({"--page", "ruffle-copy", in});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out.find("Copied player folder"), npos);
  EXPECT_EQ(f.output.entries(), (Names{"player", "snx1.htm", "snx1s.swf", "snx2.htm", "snx2s.swf"}));
}

TEST(Cli, WritesPastTheFileSizeLimitFailAndLeaveNothingBehind) {
  for (const char* page : {"flash", "html5"}) {
    SCOPED_TRACE(page);
    ProgramCopy f;
    test::ProcessOptions options;
    options.fileSizeLimit = 256 * 1024;  // tmp2 needs about 880 KB
    test::ProcessResult r = f.run({"--page", page, f.input("long.wav", tune(20.0))}, options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Error: Cannot write file.\n"), npos) << r.err;
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_EQ(f.numberOnDisk(), 1);
  }
}

TEST(Cli, TwoProcessesAtOnceNeverShareAnOutputNumber) {
  ProgramCopy f;
  std::string list;
  for (int i = 0; i < 4; ++i) {
    std::vector<std::int16_t> tone = test::sineTone(300 + 100 * i, 1.5, 22050, 1);
    list += f.input("in" + std::to_string(i) + ".wav", test::makePcmWav(22050, 1, 16, tone)) + "\n";
  }
  test::writeFileText(f.inputs.file("list"), list);
  test::ProcessResult r =
      test::runProcess({"sh", "-c", "xargs -P 2 -n 1 '" + f.cli() + "' < '" + f.inputs.file("list") + "'"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  Names expected;
  for (int n = 1; n <= 4; ++n)
    for (const char* suffix : {".htm", "s.swf"}) expected.push_back("snx" + std::to_string(n) + suffix);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(f.output.entries(), expected);
  EXPECT_EQ(f.numberOnDisk(), 5);
  for (int n = 1; n <= 4; ++n) {
    std::optional<test::StreamInfo> info = test::probeAudio(f.output.file("snx" + std::to_string(n) + "s.swf"));
    ASSERT_TRUE(info) << n;
    EXPECT_EQ(info->codecName, "mp3");
  }
}

}  // namespace
}  // namespace sonaflux
