#include "writers/html_page_writer.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "core/page_for.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "writers/every_browser_page.h"

namespace sonaflux {
namespace {

// Controller output, instruction "e", controller code 01150040, on FFFFFF with 000000 text.
const std::string kControllerPage = test::crlfLines({
    "<html>",
    "  <head>",
    "    <title>",
    "      Rock * Roll (live) ! 2003",
    "    </title>",
    "    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
    "    <style>",
    "      P { font-family: Arial, Helvetica, sans-serif }",
    "    </style>",
    "  </head>",
    "  <body bgcolor=\"#FFFFFF\" text=\"#000000\">",
    "",
    "",
    "",
    "    <p>",
    "      <object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" "
    "codebase=\"http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0\" "
    "width=150 height=40 align=\"absmiddle\">",
    "        <param name=movie value=\"snx12e.swf\">",
    "        <param name=quality value=best>",
    "        <param name=wmode value=transparent>",
    "        <param name=bgcolor value=#FFFFFF>",
    "        <param name=loop value=true>",
    "        <embed src=\"snx12e.swf\" quality=best wmode=transparent bgcolor=#FFFFFF loop=true "
    "width=150 height=40 type=\"application/x-shockwave-flash\" "
    "pluginspage=\"http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\" "
    "align=\"absmiddle\">",
    "        </embed>",
    "      </object>",
    "      Rock * Roll (live) ! 2003",
    "    </p>",
    "",
    "",
    "",
    "  </body>",
    "</html>",
});

// The controller page with the parts that depend on the output mode replaced.
std::string withOutput(std::string page, const std::string& movie, const std::string& size, const std::string& loop) {
  for (auto [from, to] : {std::pair<std::string, std::string>{"snx12e.swf", movie}, {"width=150 height=40", size},
                          {"loop value=true", "loop value=" + loop}, {"loop=true", "loop=" + loop}})
    for (std::size_t at = page.find(from); at != std::string::npos; at = page.find(from, at + to.size()))
      page.replace(at, from.size(), to);
  return page;
}

struct PageContext {
  test::RecordingHost host;
  AppContext ctx{host};
  PageContext(std::int32_t outputMode, const std::string& controller, const std::string& instruction) {
    ctx.settings.outputMode = outputMode;
    ctx.settings.controllerName = controller;
    ctx.settings.instruction = instruction;
    ctx.settings.backgroundColour = "FFFFFF";
    ctx.settings.textColour = "000000";
    ctx.job.outputBaseName = "snx12";
    ctx.inputs.inputTitle = "Rock & Roll <live> | 2003";
  }
};

TEST(HtmlPageWriter, PageComparedWholeFollowsTheJobsOutputMode) {
  const struct {
    std::int32_t outputMode;
    std::string controllerName, instruction, expected;
  } rows[] = {
      {kOutputModeController, "Classic01150040", "e", kControllerPage},
      {kOutputModeController, "Slim01080020", "c", withOutput(kControllerPage, "snx12c.swf", "width=80 height=20", "true")},
      {kOutputModeBareLooping, "Classic01150040", "e", withOutput(kControllerPage, "snx12s.swf", "width=0 height=0", "true")},
      {kOutputModeBareOnce, "Classic01150040", "e", withOutput(kControllerPage, "snx12s.swf", "width=0 height=0", "false")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.outputMode);
    PageContext p(row.outputMode, row.controllerName, row.instruction);
    EXPECT_EQ(buildHtmlPage(htmlPageFields(p.ctx)), row.expected);
  }
}

TEST(HtmlPageWriter, TitleIsFilteredAndWrittenInLatin1) {
  const struct {
    std::string title, written;
  } rows[] = {
      {"a&b<c>d|e", "a*b(c)d!e"},
      {"Caf\xC3\xA9", "Caf\xE9"},                // U+00E9 is one Latin-1 byte
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},          // the ends of the upper half
      {"5 \xE2\x82\xAC", "5 &#8364;"},           // U+20AC has no Latin-1 byte
      {"\xF0\x9F\x8E\xB5", "&#127925;"},         // four-byte sequence
      {"R&\xE2\x82\xAC", "R*&#8364;"},           // the filter runs before the references
      {"Caf\xE9", "Caf\xE9"},                    // not UTF-8: taken as Latin-1
      {"\x80x", "\x80x"},                        // stray continuation byte
      {"\xE2\x82", "\xE2\x82"},                  // sequence cut at the end
      {"\xC0\xAF", "\xC0\xAF"},                  // overlong "/"
      {"\xED\xA0\x80", "\xED\xA0\x80"},          // surrogate
      {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},  // beyond U+10FFFF
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    const std::string page = buildHtmlPage({row.title, "FFFFFF", "000000", "snx1s", 0, 0, true});
    const std::string line = "\r\n      " + row.written + "\r\n";
    EXPECT_NE(page.find("<title>" + line), std::string::npos);
    EXPECT_NE(page.find("</object>" + line), std::string::npos);
  }
  // An empty title: one space in the head, no line in the body.
  const std::string page = buildHtmlPage({"", "FFFFFF", "000000", "snx1s", 0, 0, true});
  EXPECT_NE(page.find("    <title>\r\n       \r\n    </title>\r\n"), std::string::npos);
  EXPECT_NE(page.find("      </object>\r\n    </p>\r\n"), std::string::npos);
  EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), 30);
  EXPECT_EQ(page.find('\n'), page.find("\r\n") + 1);
}

// The classic page with the player's script line, and only that, added.
TEST(HtmlPageWriter, PlayerSettingsAddOneScriptLineToTheClassicPage) {
  const struct {
    PageFor pageFor;
    std::string added;
  } rows[] = {
      {PageFor::FlashPlayers, ""},
      {PageFor::FlashAndRuffleOnline, "    <script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script>\r\n"},
      {PageFor::FlashAndRuffleCopied, "    <script src=\"player/ruffle.js\"></script>\r\n"},
  };
  PageContext p(kOutputModeController, "Classic01150040", "e");
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.pageFor));
    p.ctx.settings.pageFor = row.pageFor;
    std::string expected = kControllerPage;
    expected.insert(expected.find("  </head>\r\n"), row.added);
    EXPECT_EQ(buildHtmlPage(htmlPageFields(p.ctx), playerScriptFor(p.ctx)), expected);
  }
  // A setting for one job wins over the stored one.
  p.ctx.inputs.pageForOverride = PageFor::FlashPlayers;
  EXPECT_EQ(playerScriptFor(p.ctx), "");
}

TEST(EveryBrowserPage, SoundStartsAndLoopsAsTheOutputWould) {
  const struct {
    std::int32_t outputMode;
    std::string instruction;
    bool autoplay, loop;
  } rows[] = {
      {kOutputModeBareLooping, "c", true, true},  {kOutputModeBareOnce, "e", true, false},
      {kOutputModeController, "c", false, true},  {kOutputModeController, "d", false, false},
      {kOutputModeController, "e", true, true},   {kOutputModeController, "f", true, false},
      {kOutputModeController, "F", true, false},  {kOutputModeController, "x", false, true},
      {kOutputModeController, "", false, true},   {kOutputModeController, "s", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.outputMode) + " " + row.instruction);
    PageContext p(row.outputMode, "Classic01150040", row.instruction);
    const std::string page = buildEveryBrowserPage(everyBrowserPageFields(p.ctx));
    const std::string expected = std::string("<audio id=\"sound\" data-src=\"snx12.mp3\" controls preload=\"auto\"") +
                                 (row.autoplay ? " autoplay" : "") + (row.loop ? " loop" : "") + "></audio>\r\n";
    EXPECT_NE(page.find(expected), std::string::npos);
  }
}

TEST(EveryBrowserPage, AUtf8PageWhoseTitleAndColoursCannotBreakTheMarkup) {
  const struct {
    std::string title, written;
  } rows[] = {
      {"Rock & Roll <live> | 2003", "Rock &amp; Roll &lt;live&gt; | 2003"},
      {"\"></title><script>alert(1)</script>", "&quot;&gt;&lt;/title&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"It's", "It&#39;s"},
      {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"},  // UTF-8 stays as it is
      {"Caf\xE9", "Caf\xC3\xA9"},                                // Latin-1 from old tags
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                          // overlong: two Latin-1 bytes
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(escapeHtml(row.title), row.written);
    const std::string page = buildEveryBrowserPage({row.title, "FFFFFF", "000000", "snx1.mp3", true, true});
    EXPECT_NE(page.find("<title>" + row.written + "</title>"), std::string::npos);
    EXPECT_NE(page.find("<p>" + row.written + "</p>"), std::string::npos);
  }
  const std::string page = buildEveryBrowserPage({"", "12ab;}", "\"><b>", "snx1.mp3", true, true});
  EXPECT_NE(page.find("background-color: #12ab00; color: #000b0;"), std::string::npos);
  EXPECT_EQ(page.find("<p></p>"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), std::count(page.begin(), page.end(), '\r'));
  EXPECT_EQ(page.substr(page.size() - 9), "</html>\r\n");
}

}  // namespace
}  // namespace sonaflux
