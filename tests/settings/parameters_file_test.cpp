#include "settings/parameters_file.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <functional>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

SettingsRecord sampleSettings() {
  return {.outputFolderPath = "/srv/www/sound files",
          .outputMode = 3,
          .controllerName = "Round02080080",
          .instruction = "f",
          .nextTipNumber = 7,
          .showTipsAtStartup = false,
          .backgroundColour = "1A2B3C",
          .textColour = "FFFFFF",
          .nextOutputNumber = 1234,
          .buttonSounds = true,
          .backgroundPicture = false,
          .roundCorners = true};
}

struct ParametersFixture {
  test::TempFolder program;
  test::RecordingHost host;
  AppContext ctx{host};
  ParametersFixture() { ctx.paths.programFolder = program.path(); }
  std::string file() const { return program.file("snx.da0"); }
};

TEST(ParametersFile, SavesThirteenCrLfLinesAndThePageSettingAfterThem) {
  EXPECT_EQ(encodeParameters(sampleSettings()),
            "n\r\n/srv/www/sound files\r\n3\r\nRound02080080\r\nf\r\n07\r\nn\r\n1A2B3C\r\nFFFFFF\r\n"
            "1234\r\ny\r\nn\r\ny\r\n1\r\n");
  SettingsRecord s = sampleSettings();
  s.nextTipNumber = 12;
  s.nextOutputNumber = 7;
  EXPECT_EQ(encodeParameters(s),
            "n\r\n/srv/www/sound files\r\n3\r\nRound02080080\r\nf\r\n12\r\nn\r\n1A2B3C\r\n"
            "FFFFFF\r\n7\r\ny\r\nn\r\ny\r\n1\r\n");
}

TEST(ParametersFile, RoundTripGivesBackEveryField) {
  ParametersFixture f;
  for (bool flag : {false, true}) {
    SettingsRecord s = sampleSettings();
    s.toDesktop = s.buttonSounds = s.roundCorners = flag;
    s.showTipsAtStartup = s.backgroundPicture = !flag;
    s.outputFolderPath = flag ? "" : "/tmp/x y/";
    s.pageFor = flag ? PageFor::EveryBrowser : PageFor::FlashAndRuffleCopied;
    f.ctx.settings = s;
    ASSERT_TRUE(saveParameters(f.ctx));
    f.ctx.settings = SettingsRecord{};
    readParameters(f.ctx);
    EXPECT_EQ(f.ctx.settings, s) << "flag " << flag;
  }
  EXPECT_TRUE(f.host.messages.empty());
  EXPECT_TRUE(f.host.terminations.empty());
}

TEST(ParametersFile, DecodesLinesLeniently) {
  // "Y" is not "y"; numbers parse their leading integer; LF line ends and a
  // last line without a line end are read too.
  EXPECT_EQ(decodeParameters("Y\n\n 2x\nName\nc\n07\ny\nFFFFFF\n000000\n-5\nyes\n\ny"),
            (SettingsRecord{.outputFolderPath = "",
                            .outputMode = 2,
                            .controllerName = "Name",
                            .instruction = "c",
                            .nextTipNumber = 7,
                            .showTipsAtStartup = true,
                            .backgroundColour = "FFFFFF",
                            .textColour = "000000",
                            .nextOutputNumber = -5,
                            .roundCorners = true}));
  SettingsRecord junk = decodeParameters("n\r\n\r\nabc\r\nN\r\nc\r\n\r\nn\r\n\r\n\r\nx9\r\nn\r\nn\r\nn\r\n").value();
  EXPECT_EQ(std::pair(junk.outputMode, junk.nextOutputNumber), std::pair(0, 0));

  // The page setting is the fourteenth line; anything but 1 to 4 is the default.
  const std::string thirteen = "n\r\n/o/\r\n1\r\nC01150040\r\nc\r\n01\r\ny\r\nFFFFFF\r\n000000\r\n7\r\ny\r\ny\r\ny";
  using enum PageFor;
  const std::pair<std::string, PageFor> pages[] = {
      {"", FlashPlayers},
      {"\r\n", FlashPlayers},
      {"\r\n1\r\n", FlashPlayers},
      {"\r\n2\r\n", FlashAndRuffleOnline},
      {"\r\n3", FlashAndRuffleCopied},
      {"\n4\n", EveryBrowser},
      {"\r\n5\r\n", FlashPlayers},
      {"\r\n0\r\n", FlashPlayers},
      {"\r\nhtml5\r\n", FlashPlayers},
  };
  for (const auto& [tail, pageFor] : pages) {
    SettingsRecord read = decodeParameters(thirteen + tail).value();
    EXPECT_EQ(std::tuple(read.pageFor, read.nextOutputNumber, read.roundCorners), std::tuple(pageFor, 7, true)) << tail;
  }
}

TEST(ParametersFile, EveryPrefixOfAValidFileReadsOrFailsCleanly) {
  std::string text = encodeParameters(sampleSettings());
  // Twelve full lines and any part of the thirteenth are enough.
  std::size_t twelfthEnd = 0;
  for (int i = 0; i < 12; ++i) twelfthEnd = text.find('\n', twelfthEnd) + 1;
  for (std::size_t n = 0; n <= text.size(); ++n)
    EXPECT_EQ(decodeParameters(std::string_view(text).substr(0, n)).has_value(), n > twelfthEnd) << "prefix " << n;
}

TEST(ParametersFile, MissingOrDamagedFileStopsTheProgram) {
  const std::string thirteen = "y\r\n\r\n1\r\nC01150040\r\nc\r\n01\r\ny\r\nFFFFFF\r\n000000\r\n1\r\ny\r\ny\r\ny\r\n";
  const struct {
    const char* name;
    std::function<void(const std::string& path)> make;  // nullptr: no file
    const char* message;
  } rows[] = {
      {"no file", nullptr, "Error: Missing parameters file."},
      {"twelve lines",
       [&](const std::string& path) { test::writeFileText(path, thirteen.substr(0, thirteen.size() - 3)); },
       "Error: Corrupt parameters file."},
      {"a line longer than 64 KB",
       [&](const std::string& path) {
         test::writeFileText(path, thirteen.substr(0, 3) + std::string(65537, 'x') + thirteen.substr(3));
       },
       "Error: Corrupt parameters file."},
      // Read whole, it would never end.
      {"a device", [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
       "Error: Corrupt parameters file."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ParametersFixture f;
    if (row.make) row.make(f.file());
    readParameters(f.ctx);
    ASSERT_EQ(f.host.texts(), std::vector<std::string>{row.message});
    EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(f.host.terminations, std::vector<int>{1});
  }
}

// What saveParametersOrEnd shows and how it ends: the driver's failure ladder and the Options commit.
TEST(ParametersFile, FailedSaveSaysNothingAndKeepsThePreviousFile) {
  for (bool missingFolder : {false, true}) {
    SCOPED_TRACE(missingFolder ? "missing program folder" : "new file cannot be made");
    ParametersFixture f;
    f.ctx.settings = sampleSettings();
    ASSERT_TRUE(saveParameters(f.ctx));
    const std::string before = test::readFileText(f.file());
    // A folder where the new file must go makes its creation fail, even for root.
    if (missingFolder)
      f.ctx.paths.programFolder = "/nonexistent-sonaflux-folder/";
    else
      std::filesystem::create_directory(f.file() + ".new");
    f.ctx.settings.nextOutputNumber = 99;
    EXPECT_FALSE(saveParameters(f.ctx));
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(test::readFileText(f.file()), before);
  }
}

}  // namespace
}  // namespace sonaflux
