#include "settings/tips_file.h"

#include <gtest/gtest.h>
#include <climits>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

TEST(TipsFile, PicksTheRequestedLineWrapsAndCountsBackwards) {
  const std::string three = "first\r\nsecond\r\nthird\r\n", longTip(100000, 'x'), shown(4096, 'x');
  const struct {
    const char* why;
    std::string text;
    std::int32_t requested;
    Tip expected;
  } rows[] = {
      {"a line in the middle", three, 2, {"second", 2}},
      {"the last line", three, 3, {"third", 3}},
      {"one past the end wraps to the first", three, 4, {"first", 1}},
      {"far past the end wraps to the first", three, 1000, {"first", 1}},
      {"zero gives the last tip with its number", three, 0, {"third", 3}},
      {"a negative number matches nothing", three, -1, {"", -1}},
      {"the most negative number comes back as it is", three, INT_MIN, {"", INT_MIN}},
      {"plain LF line ends", "a\nb\nc", 2, {"b", 2}},
      {"a last line without a line end counts", "a\r\nb", 2, {"b", 2}},
      {"a last line without a line end is the last tip", "a\r\nb", 0, {"b", 2}},
      {"an empty line is a tip of its own", "a\r\n\r\nc\r\n", 2, {"", 2}},
      {"an empty line counts for the wrap", "a\r\n\r\nc\r\n", 4, {"a", 1}},
      {"a CR inside a line stays", "a\rb\r\n", 1, {"a\rb", 1}},
      {"a long line is cut at 4 KB", "short\n" + longTip + "\nend\n", 2, {shown, 2}},
      {"the cut never splits a character", shown.substr(1) + "\xC3\xA9 and more", 1, {shown.substr(1), 1}},
      {"empty file: tip 1 is empty", "", 1, {"", 1}},
      {"empty file: zero stays zero", "", 0, {"", 0}},
      {"empty file: a negative number stays", "", -1, {"", -1}},
      {"empty file: past the end is number 1", "", 5, {"", 1}},
      {"a single line end is one empty tip", "\r\n", 0, {"", 1}},
  };
  for (const auto& row : rows) EXPECT_EQ(pickTip(row.text, row.requested), row.expected) << row.why;
}

// The tip window's test steps through a real file.
TEST(TipsFile, MissingFileOrDeviceGivesAnEmptyTipOne) {
  for (bool device : {false, true}) {
    SCOPED_TRACE(device ? "a device, which would never end" : "no file");
    test::TempFolder program;
    if (device) std::filesystem::create_symlink("/dev/zero", program.file("tips.da0"));
    EXPECT_EQ(readTip(program.path(), 0), (Tip{"", 1}));
    EXPECT_EQ(readTip(program.path(), -3), (Tip{"", 1}));
  }
}

TEST(TipsFile, StepsHeldAtTheEndsOfTheNumberRange) {
  // Each row: the current number, the step, the number after it.
  const std::tuple<std::int32_t, int, std::int32_t> rows[] = {
      {1, 1, 2}, {1, -1, 0}, {0, -1, -1}, {-1, 1, 0}, {INT_MAX, 1, INT_MAX}, {INT_MIN, -1, INT_MIN}};
  for (const auto& [current, delta, next] : rows)
    EXPECT_EQ(steppedTipNumber(current, delta), next) << current << " by " << delta;
}

}  // namespace
}  // namespace sonaflux
