#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace sonaflux {
namespace {

TEST(TipsFile, OneNonEmptyAsciiTipPerCrLfLine) {
  const std::string text = test::readFileText(test::programFolder() + "tips.da0");
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(text.substr(text.size() - 2), "\r\n") << "the last tip is a whole line";
  int tips = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    const std::string tip = text.substr(start, end - start);
    SCOPED_TRACE("tip " + std::to_string(++tips));
    // The tip window shows about twelve lines of forty characters.
    EXPECT_TRUE(!tip.empty() && tip.size() <= 300 && tip.front() != ' ');
    for (char c : tip) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "byte " << static_cast<int>(static_cast<unsigned char>(c));
    start = end + 2;
  }
  EXPECT_GE(tips, 20);
}

TEST(HelpPage, SelfContainedWithWorkingLinks) {
  const std::string html = test::readFileText(test::programFolder() + "snxhelp.htm");
  ASSERT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  // Opened from the disk, possibly offline: nothing may be fetched.
  for (const char* fetch : {"src=", "<link", "url(", "@import"}) EXPECT_EQ(html.find(fetch), std::string::npos) << fetch;

  std::set<std::string> ids;
  const std::regex idPattern(R"re(id="([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), idPattern); it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(ids.insert((*it)[1]).second) << "duplicate id " << (*it)[1];
  const std::regex anchorPattern(R"re(href="#([^"]+)")re");
  int anchors = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), anchorPattern); it != std::sregex_iterator(); ++it) {
    ++anchors;
    EXPECT_TRUE(ids.count((*it)[1])) << "no target for #" << (*it)[1];
  }
  EXPECT_GT(anchors, 10);
  // The names of the output set a user looks for.
  for (const char* name : {"snx<var>N</var>.htm", "snx<var>N</var>s.swf", "snx<var>N</var><var>x</var>.swf"})
    EXPECT_NE(html.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace sonaflux
