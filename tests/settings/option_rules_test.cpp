#include "settings/option_rules.h"

#include <gtest/gtest.h>

#include "core/setting_text.h"

namespace sonaflux {
namespace {

struct ColourRow {
  const char* name;
  std::string text;
  RgbColour colour;
};

// clang-format off
const ColourRow kColourRows[] = {
    {.name = "ShortPaddedWithZeros", .text = "ff8", .colour = {255, 128, 0}},
    {.name = "HashIsACharacterLikeAnyOther", .text = "#FFFFF", .colour = {15, 255, 255}},
    {.name = "PastTheSixthNothingCounts", .text = "123456789", .colour = {0x12, 0x34, 0x56}},
};
// clang-format on

class HexColour : public testing::TestWithParam<ColourRow> {};

TEST_P(HexColour, IsReadFromSixCharactersPaddedWithZeros) {
  EXPECT_EQ(parseHexColour(GetParam().text), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Texts, HexColour, testing::ValuesIn(kColourRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OptionRules, HexColourIsWrittenInUpperCaseWithLeadingZeros) { EXPECT_EQ(formatHexColour({10, 1, 254}), "0A01FE"); }

TEST(OptionRules, NumberBoxTakesItsLastFiveCharacters) {
  EXPECT_EQ(numberBoxValue("123456"), 23456);
  EXPECT_EQ(numberBoxValue("-12"), -12);
  EXPECT_EQ(numberBoxValue("12a45"), 12);
}

TEST(OptionRules, InstructionIsNormalisedToOneLowerCaseLetterOtherThanS) {
  const auto normalised = [](const std::string& typed) {
    OptionSettings opt;
    opt.optInstruction = typed;
    return settingsFromWorkingCopies(opt).instruction;
  };
  EXPECT_EQ(normalised("Zebra"), "z");
  EXPECT_EQ(normalised("S"), "c");
  EXPECT_EQ(normalised(""), "c");
  EXPECT_EQ(normalised("7"), "c");
}

}  // namespace
}  // namespace sonaflux
