#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "cli/arguments.h"
#include "settings/parameters_file.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/swf_walker.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "writers/player_copy.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

TEST(CliArguments, PageKindAndOpen) {
  const struct {
    std::vector<std::string> args;
    std::optional<PageFor> pageFor;
    bool open;
  } rows[] = {
      {{"in.wav"}, std::nullopt, false},
      {{"--page", "flash", "in.wav"}, PageFor::FlashPlayers, false},
      {{"--page", "ruffle", "in.wav"}, PageFor::FlashAndRuffleOnline, false},
      {{"--page", "ruffle-copy", "--open", "in.wav"}, PageFor::FlashAndRuffleCopied, true},
      {{"--open", "--page", "html5", "in.wav"}, PageFor::EveryBrowser, true},
  };
  for (const auto& row : rows) {
    std::string error;
    auto a = cli::parseArguments(row.args, error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->pageFor, row.pageFor);
    EXPECT_EQ(a->openInBrowser, row.open);
  }
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--page", "HTML5", "a.wav"},
                                              std::vector<std::string>{"--page", "", "a.wav"},
                                              std::vector<std::string>{"a.wav", "--page"}}) {
    std::string error;
    EXPECT_FALSE(cli::parseArguments(bad, error));
    EXPECT_FALSE(error.empty());
  }
}

// The folders come first: the program copy writes its settings with them.
struct PageFolders {
  TempFolder inputs;
  TempFolder output;
};

struct PageFixture : PageFolders, test::ProgramCopy {
  std::string in;
  PageFixture() : ProgramCopy(output.path()) {
    in = inputs.file("tune.wav");
    test::writeFileBytes(in, test::makePcmWav(22050, 1, 16, test::chordSequence(3.5, 22050, 1)));
  }
};

TEST(Cli, EveryBrowserPageComesWithTheStreamAsAnMp3File) {
  PageFixture f;
  test::ProcessResult r = f.run({"--page", "html5", f.in});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Created web page \"snx1.htm\"\nCreated Flash streaming animation \"snx1s.swf\"\n"
                       "Created MP3 sound \"snx1.mp3\"\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1.mp3", "snx1s.swf"}));

  std::optional<test::StreamInfo> info = test::probeAudio(f.output.file("snx1.mp3"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->formatName, "mp3");
  EXPECT_EQ(info->codecName, "mp3");
  EXPECT_EQ(info->sampleRate, 22050);
  EXPECT_EQ(info->channels, 1);
  EXPECT_EQ(info->bitRate, 24000);
  EXPECT_NEAR(info->duration, 3.5, 0.2);

  // The same frames the animation carries; after them it has only silent fill.
  std::vector<std::uint8_t> mp3 = test::readFileBytes(f.output.file("snx1.mp3"));
  std::optional<test::SwfFile> swf = test::walkSwf(test::readFileBytes(f.output.file("snx1s.swf")));
  ASSERT_TRUE(swf);
  std::vector<std::uint8_t> carried = test::soundStreamData(*swf);
  ASSERT_GE(carried.size(), mp3.size());
  EXPECT_TRUE(std::equal(mp3.begin(), mp3.end(), carried.begin()));
  std::size_t fill = carried.size() - mp3.size();
  EXPECT_EQ(fill % 78, 0u);
  EXPECT_LT(fill / 78, 41u);
  for (std::size_t at = mp3.size(); at < carried.size(); at += 78)
    EXPECT_EQ(std::vector<std::uint8_t>(carried.begin() + at, carried.begin() + at + 4),
              (std::vector<std::uint8_t>{0xFF, 0xF3, 0x30, 0xC4}));

  // The option holds for this run; the stored setting stays.
  EXPECT_EQ(decodeParameters(test::readFileText(f.program.file("snx.da0")))->pageFor, PageFor::FlashPlayers);
}

TEST(Cli, StoredPageSettingIsFollowedAndSurvivesTheJob) {
  PageFixture f;
  f.settings.pageFor = PageFor::EveryBrowser;
  f.saveSettings();
  ASSERT_EQ(f.run({f.in}).exitCode, 0);
  EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1.mp3", "snx1s.swf"}));
  std::optional<SettingsRecord> saved = decodeParameters(test::readFileText(f.program.file("snx.da0")));
  EXPECT_EQ(saved->pageFor, PageFor::EveryBrowser);
  EXPECT_EQ(saved->nextOutputNumber, 2);

  // An earlier .mp3 of the same number is part of the set the question names.
  f.settings.nextOutputNumber = 1;
  f.saveSettings();
  test::ProcessResult again = f.run({f.in});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("Is it OK to overwrite these files:\n" + f.output.file("snx1s.swf") + "\n" +
                           f.output.file("snx1.htm") + "\n" + f.output.file("snx1.mp3")),
            std::string::npos)
      << again.err;
}

TEST(Cli, FailedEveryBrowserJobLeavesNoMp3) {
  PageFixture f;
  std::string in = f.inputs.file("long.wav");
  test::writeFileBytes(in, test::makePcmWav(22050, 1, 16, test::chordSequence(20.0, 22050, 1)));
  test::ProcessOptions options;
  options.fileSizeLimit = 256 * 1024;
  test::ProcessResult r = f.run({"--page", "html5", in}, options);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(f.output.entries().empty());
}

TEST(Cli, PlayerIsCopiedBesideThePageOnce) {
  PageFixture f;
  test::ProcessResult first = f.run({"--page", "ruffle-copy", f.in});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out.find("Copied player folder \"player\"\n"), std::string::npos) << first.out;
  const fs::path player = programPlayerFolder(f.program.path());
  for (const auto& entry : fs::directory_iterator(player)) {
    fs::path copy = fs::path(f.output.path()) / "player" / entry.path().filename();
    ASSERT_TRUE(fs::exists(copy)) << copy;
    EXPECT_EQ(fs::file_size(copy), fs::file_size(entry.path())) << copy;
  }
  EXPECT_NE(test::readFileText(f.output.file("snx1.htm")).find("<script src=\"player/ruffle.js\"></script>"),
            std::string::npos);

  test::ProcessResult second = f.run({"--page", "ruffle-copy", f.in});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out.find("Copied player folder"), std::string::npos);
  EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"player", "snx1.htm", "snx1s.swf", "snx2.htm", "snx2s.swf"}));
}

}  // namespace
}  // namespace sonaflux
