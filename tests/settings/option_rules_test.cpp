#include "settings/option_rules.h"

#include <gtest/gtest.h>

#include "core/settings_rules.h"

namespace sonaflux {
namespace {

TEST(OptionRules, HexColourParserReadsSixCharactersPaddedWithZeros) {
  struct Row {
    std::string text;
    RgbColour colour;
  } rows[] = {
      {"ff8", {255, 128, 0}},
      {"red", {14, 208, 0}},
      {"0A0B0C", {10, 11, 12}},
      {"ffffff", {255, 255, 255}},
      {"FFFFFF", {255, 255, 255}},
      {"000000", {0, 0, 0}},
      {"123456789", {0x12, 0x34, 0x56}},  // past the sixth character nothing counts
      {"", {0, 0, 0}},
      {"#FFFFF", {15, 255, 255}},         // "#" is a character like any other
      {"g0h0i0", {0, 0, 0}},
      {" 1 2 3", {1, 2, 3}},
      {"aBcDeF", {0xAB, 0xCD, 0xEF}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("\"" + row.text + "\"");
    EXPECT_EQ(parseHexColour(row.text), row.colour);
  }
}

TEST(OptionRules, PickedColourIsWrittenAsSixUpperCaseDigits) {
  struct Row {
    RgbColour colour;
    std::string text;
  } rows[] = {
      {{10, 11, 12}, "0A0B0C"},
      {{1, 0, 0}, "010000"},
      {{255, 254, 171}, "FFFEAB"},
      {{0, 0, 0}, "000000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(formatHexColour(row.colour), row.text);
    EXPECT_EQ(parseHexColour(row.text), row.colour);
  }
}

TEST(OptionRules, NumberBoxTakesItsLastFiveCharacters) {
  struct Row {
    std::string text;
    std::int32_t value;
  } rows[] = {
      {"", 0},
      {"7", 7},
      {"0042", 42},
      {"99999", 99999},
      {"100000", 0},
      {"123456", 23456},
      {"1234567890", 67890},
      {"  12", 12},
      {"-12", -12},
      {"12a45", 12},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("\"" + row.text + "\"");
    EXPECT_EQ(numberBoxValue(row.text), row.value);
  }
}

TEST(OptionRules, InstructionIsNormalisedToOneLetterOtherThanS) {
  struct Row {
    std::string typed;
    std::string instruction;
  } rows[] = {
      {"c", "c"}, {"f", "f"}, {"Q", "q"}, {"q", "q"}, {"S", "c"}, {"s", "c"},
      {"", "c"},  {" ", "c"}, {"7", "c"}, {"?", "c"}, {"Zebra", "z"}, {"\xE9", "c"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("\"" + row.typed + "\"");
    EXPECT_EQ(normalisedInstruction(row.typed), row.instruction);
    OptionSettings opt;
    opt.optInstruction = row.typed;
    EXPECT_EQ(settingsFromWorkingCopies(opt).instruction, row.instruction);
  }
}

}  // namespace
}  // namespace sonaflux
