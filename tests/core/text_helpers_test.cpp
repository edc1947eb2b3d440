#include <gtest/gtest.h>

#include "core/leading_integer.h"
#include "core/utf8.h"

namespace sonaflux {
namespace {

TEST(LeadingInteger, ReadsBlanksSignAndDigitsAndHoldsTheLimits) {
  EXPECT_EQ(leadingInteger(" \t42x"), 42);
  EXPECT_EQ(leadingInteger("+8"), 8);
  EXPECT_EQ(leadingInteger("- 3"), 0);
  EXPECT_EQ(leadingInteger("\n3"), 0);  // only spaces and tabs are blanks
  EXPECT_EQ(leadingInteger("2147483648"), 2147483647);
  EXPECT_EQ(leadingInteger("-99999999999999999999"), -2147483647 - 1);
}

// Well-formed sequences of every length are read by the page writers' title tables.
TEST(Utf8, RefusesWhatIsNotWellFormed) {
  EXPECT_FALSE(decodeUtf8("\x80", 0));              // a stray continuation byte
  EXPECT_FALSE(decodeUtf8("\xE2\x28\xA1", 0));      // a bad continuation byte
  EXPECT_FALSE(decodeUtf8("\xE0\x80\xAF", 0));      // overlong
  EXPECT_FALSE(decodeUtf8("\xED\xA0\x80", 0));      // a surrogate
  EXPECT_FALSE(decodeUtf8("\xF4\x90\x80\x80", 0));  // past U+10FFFF
  EXPECT_FALSE(decodeUtf8("\xE2\x82", 0));          // cut short
}

}  // namespace
}  // namespace sonaflux
