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
}

// "Y" is not "y"; numbers parse their leading integer; LF line ends and a last line without one are read too.
TEST(ParametersFile, ReadsLinesLeniently) {
  const SettingsRecord read = decodeParameters("Y\n\n 2x\nName\nc\n07\ny\nFFFFFF\n000000\n-5\nyes\n\ny").value();
  EXPECT_FALSE(read.toDesktop);
  EXPECT_EQ(read.outputMode, 2);
  EXPECT_EQ(read.nextTipNumber, 7);
  EXPECT_EQ(read.nextOutputNumber, -5);
  EXPECT_TRUE(read.roundCorners);
}

struct PageRow {
  const char* name;
  const char* fourteenthLine;
  PageFor pageFor;
};

class ParametersFilePage : public testing::TestWithParam<PageRow> {};

TEST_P(ParametersFilePage, IsTheFourteenthLineOneToFourElseTheFirst) {
  const std::string thirteen = "n\r\n/o/\r\n1\r\nC01150040\r\nc\r\n01\r\ny\r\nFFFFFF\r\n000000\r\n7\r\ny\r\ny\r\ny";
  EXPECT_EQ(decodeParameters(thirteen + GetParam().fourteenthLine)->pageFor, GetParam().pageFor);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ParametersFilePage, testing::Values(
    PageRow{.name = "Missing", .fourteenthLine = "", .pageFor = PageFor::FlashPlayers},
    PageRow{.name = "Two", .fourteenthLine = "\r\n2\r\n", .pageFor = PageFor::FlashAndRuffleOnline},
    PageRow{.name = "ThreeWithoutLineEnd", .fourteenthLine = "\r\n3", .pageFor = PageFor::FlashAndRuffleCopied},
    PageRow{.name = "FourAfterLf", .fourteenthLine = "\n4\n", .pageFor = PageFor::EveryBrowser},
    PageRow{.name = "Five", .fourteenthLine = "\r\n5\r\n", .pageFor = PageFor::FlashPlayers}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

const std::string kThirteen = "y\r\n\r\n1\r\nC01150040\r\nc\r\n01\r\ny\r\nFFFFFF\r\n000000\r\n1\r\ny\r\ny\r\ny\r\n";

struct DamageRow {
  const char* name;
  std::function<void(const std::string& path)> make;  // nullptr: no file
  const char* message;
};

class ParametersFileDamage : public testing::TestWithParam<DamageRow> {};

TEST_P(ParametersFileDamage, StopsTheProgram) {
  ParametersFixture f;
  if (GetParam().make) GetParam().make(f.file());
  readParameters(f.ctx);
  ASSERT_EQ(f.host.texts(), std::vector<std::string>{GetParam().message});
  EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(f.host.terminations, std::vector<int>{1});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, ParametersFileDamage, testing::Values(
    DamageRow{.name = "NoFile", .make = nullptr, .message = "Error: Missing parameters file."},
    DamageRow{.name = "TwelveLines", .make = [](const std::string& path) {
                test::writeFileText(path, kThirteen.substr(0, kThirteen.size() - 3)); },
              .message = "Error: Corrupt parameters file."},
    DamageRow{.name = "LineLongerThan64KB", .make = [](const std::string& path) {
                test::writeFileText(path, kThirteen.substr(0, 3) + std::string(65537, 'x') + kThirteen.substr(3)); },
              .message = "Error: Corrupt parameters file."},
    // Read whole, it would never end.
    DamageRow{.name = "ADevice", .make = [](const std::string& path) {
                std::filesystem::create_symlink("/dev/zero", path); },
              .message = "Error: Corrupt parameters file."}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A folder where the new file must go makes its creation fail, even for root.
TEST(ParametersFile, FailedSaveSaysNothingAndKeepsThePreviousFile) {
  ParametersFixture f;
  f.ctx.settings = sampleSettings();
  ASSERT_TRUE(saveParameters(f.ctx));
  const std::string before = test::readFileText(f.file());
  std::filesystem::create_directory(f.file() + ".new");
  f.ctx.settings.nextOutputNumber = 99;
  EXPECT_FALSE(saveParameters(f.ctx));
  EXPECT_TRUE(f.host.messages.empty());
  EXPECT_EQ(test::readFileText(f.file()), before);
}

}  // namespace
}  // namespace sonaflux
