#include "settings/tips_file.h"

#include <gtest/gtest.h>
#include <climits>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

const std::string kThree = "first\r\nsecond\r\nthird\r\n", kShown(4096, 'x');

struct TipRow {
  const char* name;
  std::string text;
  std::int32_t requested;
  Tip expected;
};

// clang-format off
const TipRow kTipRows[] = {
    {.name = "TheLastLine", .text = kThree, .requested = 3, .expected = {"third", 3}},
    {.name = "PastTheEndWrapsToTheFirst", .text = kThree, .requested = 1000, .expected = {"first", 1}},
    {.name = "ZeroGivesTheLastWithItsNumber", .text = kThree, .requested = 0, .expected = {"third", 3}},
    {.name = "NegativeMatchesNothing", .text = kThree, .requested = -1, .expected = {"", -1}},
    {.name = "LfLineEnds", .text = "a\nb\nc", .requested = 2, .expected = {"b", 2}},
    {.name = "LastLineWithoutLineEndIsTheLast", .text = "a\r\nb", .requested = 0, .expected = {"b", 2}},
    {.name = "EmptyLineIsATip", .text = "a\r\n\r\nc\r\n", .requested = 2, .expected = {"", 2}},
    {.name = "LongLineCutAt4KB", .text = "short\n" + std::string(100000, 'x') + "\nend\n", .requested = 2,
     .expected = {kShown, 2}},
    {.name = "CutNeverSplitsACharacter", .text = kShown.substr(1) + "\xC3\xA9 and more", .requested = 1,
     .expected = {kShown.substr(1), 1}},
    {.name = "EmptyFileGivesAnEmptyTipOne", .text = "", .requested = 5, .expected = {"", 1}},
};
// clang-format on

class TipsFile : public testing::TestWithParam<TipRow> {};

TEST_P(TipsFile, PicksTheRequestedLineWrapsAndCountsBackwards) {
  EXPECT_EQ(pickTip(GetParam().text, GetParam().requested), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, TipsFile, testing::ValuesIn(kTipRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Read whole, a device would never end.
TEST(TipsFileMissing, OrADeviceGivesAnEmptyTipOne) {
  test::TempFolder program;
  EXPECT_EQ(readTip(program.path(), 0), (Tip{"", 1}));
  std::filesystem::create_symlink("/dev/zero", program.file("tips.da0"));
  EXPECT_EQ(readTip(program.path(), -3), (Tip{"", 1}));
}

TEST(TipsFileSteps, AreHeldAtTheEndsOfTheNumberRange) {
  EXPECT_EQ(steppedTipNumber(1, -1), 0);
  EXPECT_EQ(steppedTipNumber(INT_MAX, 1), INT_MAX);
  EXPECT_EQ(steppedTipNumber(INT_MIN, -1), INT_MIN);
}

}  // namespace
}  // namespace sonaflux
