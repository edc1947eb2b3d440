#include <gtest/gtest.h>

#include "core/leading_integer.h"
#include "core/utf8.h"

namespace sonaflux {
namespace {

TEST(LeadingInteger, ReadsBlanksSignAndDigitsAndHoldsTheLimits) {
  const std::pair<const char*, std::int32_t> rows[] = {
      {"07", 7},
      {" \t42x", 42},
      {"-5", -5},
      {"+8", 8},
      {"x9", 0},
      {"", 0},
      {"- 3", 0},
      {"\n3", 0},  // only spaces and tabs are blanks
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(leadingInteger(text), value) << '"' << text << '"';
}

// Well-formed sequences of every length are read by the page writers' title tables.
TEST(Utf8, RefusesWhatIsNotWellFormed) {
  const std::pair<const char*, std::string> rows[] = {
      {"stray continuation", "\x80"}, {"overlong three bytes", "\xE0\x80\xAF"},
      {"surrogate", "\xED\xA0\x80"},  {"past U+10FFFF", "\xF4\x90\x80\x80"},
      {"cut short", "\xE2\x82"},      {"bad continuation", "\xE2\x28\xA1"},
  };
  for (const auto& [name, text] : rows) EXPECT_FALSE(decodeUtf8(text, 0)) << name;
  EXPECT_FALSE(decodeUtf8("A", 1));  // past the end
}

}  // namespace
}  // namespace sonaflux
