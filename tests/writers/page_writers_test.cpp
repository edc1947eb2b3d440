#include "writers/html_page_writer.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <tuple>

#include "core/page_for.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"
#include "writers/every_browser_page.h"
#include "writers/player_copy.h"
#include "writers/preview_page_writer.h"

namespace sonaflux {
namespace {

using test::readFileText;
using test::writeFileText;

ApplicationPaths programOnly(const std::string& programFolder) {
  ApplicationPaths paths;
  paths.programFolder = programFolder;
  return paths;
}

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

// The page with each (from, to) pair replaced everywhere.
std::string replaced(std::string page, std::initializer_list<std::pair<std::string, std::string>> changes) {
  for (const auto& [from, to] : changes)
    for (std::size_t at = page.find(from); at != std::string::npos; at = page.find(from, at + to.size()))
      page.replace(at, from.size(), to);
  return page;
}

// The parts of the controller page that depend on the output mode replaced.
std::string withOutput(const std::string& movie, const std::string& size, const std::string& loop) {
  return replaced(kControllerPage, {{"snx12e.swf", movie},
                                    {"width=150 height=40", size},
                                    {"loop value=true", "loop value=" + loop},
                                    {"loop=true", "loop=" + loop}});
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
  const std::tuple<std::int32_t, std::string, std::string, std::string> rows[] = {
      {kOutputModeController, "Classic01150040", "e", kControllerPage},
      {kOutputModeController, "Slim01080020", "c", withOutput("snx12c.swf", "width=80 height=20", "true")},
      {kOutputModeBareLooping, "Classic01150040", "e", withOutput("snx12s.swf", "width=0 height=0", "true")},
      {kOutputModeBareOnce, "Classic01150040", "e", withOutput("snx12s.swf", "width=0 height=0", "false")},
  };
  for (const auto& [outputMode, controllerName, instruction, expected] : rows) {
    PageContext p(outputMode, controllerName, instruction);
    EXPECT_EQ(buildHtmlPage(htmlPageFields(p.ctx)), expected) << outputMode << controllerName;
  }
}

TEST(HtmlPageWriter, TitleIsFilteredAndWrittenInLatin1) {
  const std::pair<std::string, std::string> rows[] = {
      {"Caf\xC3\xA9", "Caf\xE9"},         // U+00E9 is one Latin-1 byte
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},   // the ends of the upper half
      {"5 \xE2\x82\xAC", "5 &#8364;"},    // U+20AC has no Latin-1 byte
      {"\xF0\x9F\x8E\xB5", "&#127925;"},  // four-byte sequence
      {"R&\xE2\x82\xAC", "R*&#8364;"},    // the filter runs before the references
      {"Caf\xE9", "Caf\xE9"},             // not UTF-8: taken as Latin-1
      {"\xC0\xAF", "\xC0\xAF"},           // overlong "/": not UTF-8 either
  };
  for (const auto& [title, written] : rows) {
    SCOPED_TRACE(title);
    const std::string page = buildHtmlPage({title, "FFFFFF", "000000", "snx1s", 0, 0, true});
    const std::string line = "\r\n      " + written + "\r\n";
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

// The classic page with the player's start script and script lines, and only those, added.
TEST(HtmlPageWriter, PlayerSettingsAddTheScriptLinesToTheClassicPage) {
  const std::pair<PageFor, std::string> rows[] = {
      {PageFor::FlashPlayers, ""},
      {PageFor::FlashAndRuffleOnline, "    <script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script>\r\n"},
      {PageFor::FlashAndRuffleCopied, "    <script src=\"player/ruffle.js\"></script>\r\n"},
  };
  PageContext p(kOutputModeController, "Classic01150040", "e");
  for (const auto& [pageFor, added] : rows) {
    SCOPED_TRACE(static_cast<int>(pageFor));
    p.ctx.settings.pageFor = pageFor;
    std::string expected = kControllerPage;
    const std::string start = std::string("    <script>") + kPlayerStartScript + "</script>\r\n";
    expected.insert(expected.find("  </head>\r\n"), added.empty() ? added : start + added);
    EXPECT_EQ(buildHtmlPage(htmlPageFields(p.ctx), playerScriptFor(p.ctx)), expected);
  }
}

TEST(EveryBrowserPage, SoundStartsAndLoopsAsTheOutputWould) {
  // c, d, e, f and bare looping output are played in the browser tests
  const std::tuple<std::int32_t, std::string, bool, bool> rows[] = {
      {kOutputModeBareOnce, "e", true, false},   {kOutputModeController, "F", true, false},
      {kOutputModeController, "x", false, true}, {kOutputModeController, "", false, true},
      {kOutputModeController, "s", false, true},
  };
  for (const auto& [outputMode, instruction, autoplay, loop] : rows) {
    PageContext p(outputMode, "Classic01150040", instruction);
    const std::string page = buildEveryBrowserPage(everyBrowserPageFields(p.ctx));
    const std::string expected = std::string("<audio id=\"sound\" data-src=\"snx12.mp3\" controls preload=\"auto\"") +
                                 (autoplay ? " autoplay" : "") + (loop ? " loop" : "") + "></audio>\r\n";
    EXPECT_NE(page.find(expected), std::string::npos) << outputMode << " " << instruction;
  }
}

TEST(EveryBrowserPage, AUtf8PageWhoseTitleAndColoursCannotBreakTheMarkup) {
  const std::pair<std::string, std::string> rows[] = {
      {"Rock & Roll <live> | 2003", "Rock &amp; Roll &lt;live&gt; | 2003"},
      {"\"></title><script>alert(1)</script>", "&quot;&gt;&lt;/title&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"It's", "It&#39;s"},
      {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"},  // UTF-8 stays as it is
      {"Caf\xE9", "Caf\xC3\xA9"},                                // Latin-1 from old tags
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                          // overlong: two Latin-1 bytes
  };
  for (const auto& [title, written] : rows) {
    SCOPED_TRACE(title);
    const std::string page = buildEveryBrowserPage({title, "FFFFFF", "000000", "snx1.mp3", true, true});
    EXPECT_NE(page.find("<title>" + written + "</title>"), std::string::npos);
    EXPECT_NE(page.find("<p>" + written + "</p>"), std::string::npos);
  }
  const std::string page = buildEveryBrowserPage({"", "12ab;}", "\"><b>", "snx1.mp3", true, true});
  EXPECT_NE(page.find("background-color: #12ab00; color: #000b0;"), std::string::npos);
  EXPECT_EQ(page.find("<p></p>"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\r\n") && page.ends_with("</html>\r\n"));
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), std::count(page.begin(), page.end(), '\r'));
}

TEST(ControllerList, SelectionStartsAtSecondEntryAndWraps) {
  const std::vector<std::string> three = {"Classic01150040", "Deck01120060", "Slim01240024"};
  const std::vector<std::string> prefixed = {"Classic", "Classic01150040", "Deck01120060"};
  const std::tuple<std::vector<std::string>, std::string, std::optional<std::size_t>> rows[] = {
      {three, "Deck01120060", 1},
      {three, "slim01240024", 2},     // case ignored
      {three, "CLASSIC01150040", 0},  // found only after wrapping round
      {three, "Deck", 1},             // a beginning is enough
      {three, "Deck01120060x", std::nullopt},
      {three, "Round01100010", std::nullopt},
      {prefixed, "Classic", 1},  // the later, longer entry wins
      {prefixed, "classic0", 1},
      {three, "", 1},  // matches everything: the search start
      {{"Solo01100010"}, "Solo01100010", 0},
      {{"Solo01100010"}, "", 0},
      {{}, "Classic01150040", std::nullopt},
  };
  for (const auto& [entries, stored, expected] : rows) {
    EXPECT_EQ(selectedController(entries, stored), expected) << '"' << stored << "\" among " << entries.size();
  }
}

// A shipped program folder and a user's settings folder, each with controllers.
struct UserAndShippedControllers {
  test::TempFolder program, settings;
  ApplicationPaths paths = programOnly(program.path());
  UserAndShippedControllers() {
    paths.settingsFolder = settings.path();
    for (const std::string& folder : {controllersFolder(program.path()), controllersFolder(settings.path())})
      std::filesystem::create_directory(folder);
    const std::string shipped = controllersFolder(program.path()), own = controllersFolder(settings.path());
    writeFileText(shipped + "Classic01150040.swf", "FWS");
    writeFileText(shipped + "Classic01150040.txt", "shipped");
    writeFileText(shipped + "Slim01240024.swf", "FWS");
    writeFileText(own + "Classic01150040.swf", "FWS");
    writeFileText(own + "Classic01150040.txt", "mine");
    writeFileText(own + "Mine01100010.swf", "FWS");
  }
};

TEST(ControllerList, UsersOwnControllersJoinTheShippedOnesAndWinOnAClash) {
  UserAndShippedControllers f;
  EXPECT_EQ(listControllers(f.paths), (std::vector<std::string>{"Classic01150040", "Mine01100010", "Slim01240024"}));
  EXPECT_EQ(controllerFolderFor(f.paths, "Classic01150040"), controllersFolder(f.settings.path()));
  EXPECT_EQ(controllerFolderFor(f.paths, "Slim01240024"), controllersFolder(f.program.path()));
}

TEST(ControllerList, PreviewPageGoesToTheSettingsFolderWithTheUsersDescriptions) {
  UserAndShippedControllers f;
  test::RecordingHost host;
  ASSERT_TRUE(writePreviewPage(host, f.paths, listControllers(f.paths), "FFFFFF", "000000"));
  const std::string page = readFileText(controllersFolder(f.settings.path()) + "preview.htm");
  EXPECT_NE(page.find("      mine\r\n"), std::string::npos);
  EXPECT_NE(page.find("value=\"Slim01240024.swf\""), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(controllersFolder(f.program.path()) + "preview.htm"));
}

// The list's naming rule and the page's object size read the same code.
TEST(ControllerList, NamingRuleAndPageSizeReadTheThreeCodeNumbers) {
  const std::tuple<std::string, ControllerNaming, int, int, int> rows[] = {
      {"Classic01150040", ControllerNaming::Correct, 1, 150, 40},
      {"x01150040", ControllerNaming::Correct, 1, 150, 40},
      {"01150040", ControllerNaming::TooShort, 1, 150, 40},
      {"x150040", ControllerNaming::TooShort, 0, 0, 0},
      {"", ControllerNaming::TooShort, 0, 0, 0},
      {"bar00150040", ControllerNaming::ZeroInCode, 0, 150, 40},
      {"bar01000040", ControllerNaming::ZeroInCode, 1, 0, 40},
      {"bar01150000", ControllerNaming::ZeroInCode, 1, 150, 0},
      {"bar0115004x", ControllerNaming::Correct, 1, 150, 4},    // reading stops at a non-digit
      {"bar01x50040", ControllerNaming::ZeroInCode, 1, 0, 40},  // no digits read as 0
      {"bar01 50 40", ControllerNaming::Correct, 1, 50, 40},    // leading blanks accepted
      {"bar+1+50-40", ControllerNaming::Correct, 1, 50, -40},   // and a sign
      {"Name01abcdef", ControllerNaming::ZeroInCode, 1, 0, 0},
      {"Classic01150040.old", ControllerNaming::ZeroInCode, 0, 40, 0},
  };
  for (const auto& [name, naming, first, width, height] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(checkControllerName(name), naming);
    const ControllerCode code = controllerCode(name);
    const ControllerSize size = controllerSize(name);
    EXPECT_EQ(std::tuple(code.first, code.width, code.height, size.width, size.height),
              std::tuple(first, width, height, width, height));
  }
}

// The preview page is the controller page's kin: the same head, the same object for each controller.
const std::string kHead =
    replaced(kControllerPage.substr(0, kControllerPage.find("\r\n\r\n")),
             {{"Rock * Roll (live) ! 2003", "Snx - Preview Controllers"},
              {"#FFFFFF\" text=\"#000000", "#0A0B0C\" text=\"#FFFF00"}}) +
    test::crlfLines({"", "    <p>", "      Snx - Preview Controllers", "    </p>", "    <p>",
                     "      Hover over and click the buttons to see how the controllers behave.", "    </p>", "    <p>",
                     "      Instruction \"C - Initially stopped, sound loops\" is used in the preview.", "    </p>",
                     "    <hr>", ""});
const std::string kEnd = test::crlfLines({"  </body>", "</html>"});

std::string section(const std::string& name, const std::string& size, const std::string& description = "",
                    const std::string& twin = "") {
  const std::size_t object = kControllerPage.find("      <object"), title = kControllerPage.find("      Rock", object);
  return test::crlfLines(
             {"    <p>", "      " + name, "    </p>", "    <p>", "      " + description, "    </p>", "    <p>"}) +
         replaced(kControllerPage.substr(object, title - object),
                  {{"snx12e.swf", name + ".swf"}, {"width=150 height=40", size}, {"FFFFFF", "0A0B0C"}}) +
         twin + test::crlfLines({"      Output text", "    </p>", "    <hr>", ""});
}

// A shipped controller's twin beside its object, at its size.
std::string shippedTwin(const std::string& name, const std::string& width, const std::string& height) {
  return "      <span style=\"display: inline-block; vertical-align: middle; line-height: 0; width: " + width +
         "px; height: " + height + "px\">\r\n" + readFileText(test::programFolder() + "Controllers/" + name + ".htm") +
         "      </span>\r\n";
}

// A program folder whose Controllers folder holds the shipped controllers, a
// few of its own and files that are not controllers at all.
class PreviewPage : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(test::programFolder() + "Controllers", controllers);
    for (const char* name : {"x150040.swf", "bar00150040.swf", "Empty01050050.swf", "Plain03200020.swf",
                             "previewer01100010.swf", "Preview.swf", "PREVIEW.swf", "Zed01100010.SWF"})
      writeFileText(controllers + name, "FWS");
    std::filesystem::create_directory(controllers + "Folder01100010.swf");
    writeFileText(controllers + "Empty01050050.txt", "");
    writeFileText(controllers + "bar00150040.txt", "never shown\r\n");
    writeFileText(controllers + "preview.htm", std::string(5000, 'z'));
  }

  test::TempFolder program;
  std::string controllers = controllersFolder(program.path());
  test::RecordingHost host;
};

TEST_F(PreviewPage, ShippedAndOddControllersComparedWhole) {
  ASSERT_TRUE(writePreviewPage(host, programOnly(program.path()), listControllers(controllers), "0A0B0C", "FFFF00"));
  // Empty01050050 has an empty description file, Plain03200020 none: six spaces.
  EXPECT_EQ(readFileText(controllers + "preview.htm"),
            kHead +
                section("Classic01150040", "width=150 height=40",
                        "Classic: graphite panel, wide Play, Pause and Stop keys over a loading and position bar.",
                        shippedTwin("Classic01150040", "150", "40")) +
                section("Deck01120060", "width=120 height=60",
                        "Deck: deep blue tile with a large Play key between Pause and Stop, bar on top.",
                        shippedTwin("Deck01120060", "120", "60")) +
                section("Empty01050050", "width=50 height=50") + section("Plain03200020", "width=200 height=20") +
                section("previewer01100010", "width=100 height=10") +  // sorted without case
                section("Slim01240024", "width=240 height=24",
                        "Slim: one light strip with round keys and a long loading and position bar.",
                        shippedTwin("Slim01240024", "240", "24")) +
                kEnd);
  EXPECT_EQ(host.texts(),
            (std::vector<std::string>{
                "Error: This file is not named correctly and will be skipped \"bar00150040.swf\".",
                "Error: This controller file is not named correctly and will be skipped \"x150040.swf\"."}));
  for (const test::RecordedMessage& m : host.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);

  // An empty list still rewrites the page.
  host.messages.clear();
  ASSERT_TRUE(writePreviewPage(host, programOnly(program.path()), {}, "0A0B0C", "FFFF00"));
  EXPECT_EQ(readFileText(controllers + "preview.htm"), kHead + kEnd);
  EXPECT_TRUE(host.messages.empty());

  // Without the folder nothing is listed or written, and the message says where.
  std::filesystem::remove_all(controllers);
  EXPECT_TRUE(listControllers(controllers).empty());
  EXPECT_FALSE(writePreviewPage(host, programOnly(program.path()), {"Deck01120060"}, "FFFFFF", "000000"));
  EXPECT_EQ(host.texts(),
            std::vector<std::string>{"Error: Cannot create preview file \"" + controllers + "preview.htm\"."});
  EXPECT_TRUE(program.entries().empty());
}

TEST_F(PreviewPage, ColoursKeepOnlyHexDigitsAndDescriptionsTheirFirstLine) {
  ASSERT_TRUE(writePreviewPage(host, programOnly(program.path()), {"Deck01120060"}, "\"><b", "ff8"));
  const std::string page = readFileText(controllers + "preview.htm");
  EXPECT_NE(page.find("  <body bgcolor=\"#000b\" text=\"#ff8\">\r\n"), std::string::npos);
  EXPECT_NE(page.find("        <param name=bgcolor value=#000b>\r\n"), std::string::npos);
  EXPECT_NE(page.find(" bgcolor=#000b loop=true "), std::string::npos);

  const std::pair<std::string, std::string> rows[] = {
      {"One line\r\nSecond line\r\n", "One line"},
      {"Unix line\nSecond\n", "Unix line"},
      {"No line end", "No line end"},
      {"\r\nSecond line", ""},
      {std::string(10000, 'd') + "\r\nrest", std::string(10000, 'd')},
  };
  for (const auto& [fileText, description] : rows) {
    SCOPED_TRACE(fileText.substr(0, 20));
    writeFileText(controllers + "Deck01120060.txt", fileText);
    EXPECT_EQ(readControllerDescription(controllers, "Deck01120060"), description);
  }
}

}  // namespace
}  // namespace sonaflux
