#include "settings/option_rules.h"

#include <gtest/gtest.h>

#include "core/setting_text.h"

namespace sonaflux {
namespace {

TEST(OptionRules, HexColourIsSixCharactersPaddedWithZerosAndWrittenInUpperCase) {
  const std::pair<std::string, RgbColour> read[] = {
      {"ff8", {255, 128, 0}},
      {"red", {14, 208, 0}},
      {"0A0B0C", {10, 11, 12}},
      {"ffffff", {255, 255, 255}},
      {"", {0, 0, 0}},
      {"g0h0i0", {0, 0, 0}},
      {" 1 2 3", {1, 2, 3}},
      {"aBcDeF", {0xAB, 0xCD, 0xEF}},
      {"#FFFFF", {15, 255, 255}},         // "#" is a character like any other
      {"123456789", {0x12, 0x34, 0x56}},  // past the sixth character nothing counts
  };
  for (const auto& [text, colour] : read) EXPECT_EQ(parseHexColour(text), colour) << '"' << text << '"';
  const std::pair<RgbColour, std::string> written[] = {
      {{10, 11, 12}, "0A0B0C"}, {{1, 0, 0}, "010000"}, {{255, 254, 171}, "FFFEAB"}, {{0, 0, 0}, "000000"}};
  for (const auto& [colour, text] : written) {
    EXPECT_EQ(formatHexColour(colour), text);
    EXPECT_EQ(parseHexColour(text), colour);
  }
}

TEST(OptionRules, NumberBoxTakesItsLastFiveCharacters) {
  const std::pair<std::string, std::int32_t> rows[] = {
      {"", 0},       {"7", 7},          {"0042", 42},          {"99999", 99999},
      {"100000", 0}, {"123456", 23456}, {"1234567890", 67890}, {"  12", 12},
      {"-12", -12},  {"12a45", 12},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(numberBoxValue(text), value) << '"' << text << '"';
}

TEST(OptionRules, InstructionIsNormalisedToOneLetterOtherThanS) {
  const std::pair<std::string, std::string> rows[] = {
      {"c", "c"}, {"f", "f"}, {"Q", "q"}, {"q", "q"}, {"S", "c"},     {"s", "c"},
      {"", "c"},  {" ", "c"}, {"7", "c"}, {"?", "c"}, {"Zebra", "z"}, {"\xE9", "c"},
  };
  for (const auto& [typed, instruction] : rows) {
    SCOPED_TRACE('"' + typed + '"');
    EXPECT_EQ(normalisedInstruction(typed), instruction);
    OptionSettings opt;
    opt.optInstruction = typed;
    EXPECT_EQ(settingsFromWorkingCopies(opt).instruction, instruction);
  }
}

}  // namespace
}  // namespace sonaflux
