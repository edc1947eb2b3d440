#include <gtest/gtest.h>

#include "core/leading_integer.h"
#include "core/utf8.h"

namespace sonaflux {
namespace {

TEST(LeadingInteger, ReadsBlanksSignAndDigitsAndHoldsTheLimits) {
  const struct {
    const char* text;
    std::int32_t value;
  } rows[] = {
      {"07", 7},          {" \t42x", 42},       {"-5", -5},           {"+8", 8},
      {"x9", 0},          {"", 0},              {"- 3", 0},           {"\n3", 0},  // only spaces and tabs are blanks
      {"2147483647", 2147483647},              {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},        {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& row : rows) EXPECT_EQ(leadingInteger(row.text), row.value) << '"' << row.text << '"';
}

TEST(Utf8, DecodesOnlyWellFormedSequences) {
  const struct {
    const char* name;
    std::string text;
    std::uint32_t codePoint;  // 0xFFFFFFFF: refused
    std::size_t length;
  } rows[] = {
      {"ASCII", "A", 0x41, 1},
      {"two bytes", "\xC3\xA9", 0xE9, 2},
      {"three bytes", "\xE2\x82\xAC", 0x20AC, 3},
      {"four bytes", "\xF0\x9F\x8E\xB5", 0x1F3B5, 4},
      {"stray continuation", "\x80", 0xFFFFFFFF, 0},
      {"overlong two bytes", "\xC0\xAF", 0xFFFFFFFF, 0},
      {"overlong three bytes", "\xE0\x80\xAF", 0xFFFFFFFF, 0},
      {"surrogate", "\xED\xA0\x80", 0xFFFFFFFF, 0},
      {"past U+10FFFF", "\xF4\x90\x80\x80", 0xFFFFFFFF, 0},
      {"cut short", "\xE2\x82", 0xFFFFFFFF, 0},
      {"bad continuation", "\xE2\x28\xA1", 0xFFFFFFFF, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<Utf8Char> c = decodeUtf8(row.text, 0);
    ASSERT_EQ(c.has_value(), row.codePoint != 0xFFFFFFFF);
    if (c) {
      EXPECT_EQ(c->codePoint, row.codePoint);
      EXPECT_EQ(c->length, row.length);
    }
  }
  EXPECT_FALSE(decodeUtf8("A", 1));  // past the end
}

}  // namespace
}  // namespace sonaflux
