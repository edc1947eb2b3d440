#include "writers/html_page_writer.h"

#include <gtest/gtest.h>

#include "tests/writers/writing_stage_fixture.h"
#include "writers/controller_copy.h"

namespace sonaflux {
namespace {

using test::WritingStageFixture;

using test::crlfLines;

// Controller output, instruction "e", controller code 01150040, on FFFFFF with 000000 text.
const std::string kControllerPage = crlfLines({
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

TEST(HtmlPageWriter, ControllerPageComparedWhole) {
  HtmlPageFields f{"Rock & Roll <live> | 2003", "FFFFFF", "000000", "snx12e", 150, 40, true};
  EXPECT_EQ(buildHtmlPage(f), kControllerPage);
}

// The controller page with the parts that depend on the output mode replaced.
std::string withOutput(std::string page, const std::string& movie, const std::string& size,
                       const std::string& loop) {
  auto replaceAll = [&page](const std::string& from, const std::string& to) {
    for (std::size_t at = page.find(from); at != std::string::npos; at = page.find(from, at + to.size()))
      page.replace(at, from.size(), to);
  };
  replaceAll("snx12e.swf", movie);
  replaceAll("width=150 height=40", size);
  replaceAll("loop value=true", "loop value=" + loop);
  replaceAll("loop=true", "loop=" + loop);
  return page;
}

TEST(HtmlPageWriter, PageFollowsTheJobsOutputMode) {
  struct Row {
    std::int32_t outputMode;
    std::string controllerName;
    std::string instruction;
    std::string expected;
  };
  const Row rows[] = {
      {kOutputModeController, "Classic01150040", "e", kControllerPage},
      {kOutputModeController, "Slim01080020", "c", withOutput(kControllerPage, "snx12c.swf", "width=80 height=20", "true")},
      {kOutputModeBareLooping, "Classic01150040", "e", withOutput(kControllerPage, "snx12s.swf", "width=0 height=0", "true")},
      {kOutputModeBareOnce, "Classic01150040", "e", withOutput(kControllerPage, "snx12s.swf", "width=0 height=0", "false")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.outputMode);
    test::RecordingHost host;
    AppContext ctx(host);
    ctx.settings.outputMode = row.outputMode;
    ctx.settings.controllerName = row.controllerName;
    ctx.settings.instruction = row.instruction;
    ctx.settings.backgroundColour = "FFFFFF";
    ctx.settings.textColour = "000000";
    ctx.job.outputBaseName = "snx12";
    ctx.inputs.inputTitle = "Rock & Roll <live> | 2003";
    EXPECT_EQ(buildHtmlPage(htmlPageFields(ctx)), row.expected);
  }
}

TEST(HtmlPageWriter, TitleIsFilteredAndWrittenInLatin1) {
  struct Row {
    std::string title;
    std::string written;
  };
  const Row rows[] = {
      {"Plain title", "Plain title"},
      {"a&b<c>d|e", "a*b(c)d!e"},
      {"Caf\xC3\xA9", "Caf\xE9"},                    // U+00E9 is one Latin-1 byte
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},              // the ends of the upper half
      {"5 \xE2\x82\xAC", "5 &#8364;"},               // U+20AC has no Latin-1 byte
      {"\xF0\x9F\x8E\xB5", "&#127925;"},             // four-byte sequence
      {"R&\xE2\x82\xAC", "R*&#8364;"},               // the filter runs before the references
      {"Caf\xE9", "Caf\xE9"},                        // not UTF-8: taken as Latin-1
      {"\x80x", "\x80x"},                            // stray continuation byte
      {"\xE2\x82", "\xE2\x82"},                      // sequence cut at the end
      {"\xC0\xAF", "\xC0\xAF"},                      // overlong "/"
      {"\xED\xA0\x80", "\xED\xA0\x80"},              // surrogate
      {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},      // beyond U+10FFFF
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title);
    std::string page = buildHtmlPage({row.title, "FFFFFF", "000000", "snx1s", 0, 0, true});
    std::string line = "\r\n      " + row.written + "\r\n";
    std::size_t first = page.find("<title>" + line);
    std::size_t body = page.find("</object>" + line);
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(body, std::string::npos);
  }
}

TEST(HtmlPageWriter, EmptyTitleWritesOneSpaceAndNoBodyLine) {
  std::string page = buildHtmlPage({"", "FFFFFF", "000000", "snx1s", 0, 0, true});
  EXPECT_NE(page.find("    <title>\r\n       \r\n    </title>\r\n"), std::string::npos);
  EXPECT_NE(page.find("      </object>\r\n    </p>\r\n"), std::string::npos);
  std::size_t lines = 0;
  for (std::size_t at = page.find("\r\n"); at != std::string::npos; at = page.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 30u);
  EXPECT_EQ(page.find('\n'), page.find("\r\n") + 1);
}

TEST(HtmlPageWriter, ControllerCodeGivesWidthAndHeight) {
  struct Row {
    std::string name;
    int width, height;
  };
  const Row rows[] = {
      {"Classic01150040", 150, 40},
      {"01080060", 80, 60},        // exactly the code
      {"Name01 50 40", 50, 40},    // leading blanks are skipped
      {"Name01-50+40", -50, 40},   // a sign is read
      {"Name0115x040", 15, 40},    // reading stops at the first non-digit
      {"Name01abcdef", 0, 0},      // no digits
      {"1150040", 0, 0},           // shorter than the code
      {"", 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ControllerSize size = controllerSize(row.name);
    EXPECT_EQ(size.width, row.width);
    EXPECT_EQ(size.height, row.height);
  }
}

TEST(HtmlPageWriter, StageWritesThePageIntoTheOpenFile) {
  WritingStageFixture fx(kOutputModeBareOnce);
  fx.ctx.inputs.inputTitle = "Rock & Roll <live> | 2003";
  fx.prepare(test::streamFrame(0));
  fx.run();
  EXPECT_FALSE(fx.ctx.job.jobFailed);
  EXPECT_EQ(fx.page(), withOutput(kControllerPage, "snx1s.swf", "width=0 height=0", "false"));
}

}  // namespace
}  // namespace sonaflux
