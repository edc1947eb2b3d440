#include "writers/preview_page_writer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"

namespace sonaflux {
namespace {

using test::crlfLines;
using test::readFileText;
using test::RecordingHost;
using test::TempFolder;
using test::writeFileText;

TEST(ControllerList, ListsSwfFilesSortedWithoutCaseAndLeavesPreviewOut) {
  TempFolder folder;
  EXPECT_TRUE(listControllers(folder.file("Controllers/")).empty());
  for (const char* name : {"Slim01240024.swf", "bar00150040.swf", "Classic01150040.swf", "Preview.swf", "PREVIEW.swf",
                           "preview.htm", "Classic01150040.txt", "Deck01120060.SWF", "previewer01100010.swf"})
    writeFileText(folder.file(name), "x");
  std::filesystem::create_directory(folder.file("Folder01100010.swf"));
  EXPECT_EQ(listControllers(folder.path()),
            (std::vector<std::string>{"bar00150040", "Classic01150040", "previewer01100010", "Slim01240024"}));
}

TEST(ControllerList, SelectionStartsAtSecondEntryAndWraps) {
  const std::vector<std::string> three = {"Classic01150040", "Deck01120060", "Slim01240024"};
  const std::vector<std::string> prefixed = {"Classic", "Classic01150040", "Deck01120060"};
  const struct {
    std::vector<std::string> entries;
    std::string stored;
    std::optional<std::size_t> expected;
  } rows[] = {
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
  for (const auto& row : rows) {
    SCOPED_TRACE("stored \"" + row.stored + "\" among " + std::to_string(row.entries.size()));
    EXPECT_EQ(selectedController(row.entries, row.stored), row.expected);
  }
}

// The list's naming rule and the page's object size read the same code.
TEST(ControllerList, NamingRuleAndPageSizeReadTheThreeCodeNumbers) {
  const struct {
    std::string name;
    ControllerNaming naming;
    int first, width, height;
  } rows[] = {
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
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(checkControllerName(row.name), row.naming);
    const ControllerCode code = controllerCode(row.name);
    const ControllerSize size = controllerSize(row.name);
    EXPECT_EQ(std::tuple(code.first, code.width, code.height), std::tuple(row.first, row.width, row.height));
    EXPECT_EQ(std::pair(size.width, size.height), std::pair(row.width, row.height));
  }
}

const std::string kHead = crlfLines({
    "<html>",
    "  <head>",
    "    <title>",
    "      Snx - Preview Controllers",
    "    </title>",
    "    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
    "    <style>",
    "      P { font-family: Arial, Helvetica, sans-serif }",
    "    </style>",
    "  </head>",
    "  <body bgcolor=\"#0A0B0C\" text=\"#FFFF00\">",
    "    <p>",
    "      Snx - Preview Controllers",
    "    </p>",
    "    <p>",
    "      Hover over and click the buttons to see how the controllers behave.",
    "    </p>",
    "    <p>",
    "      Instruction \"C - Initially stopped, sound loops\" is used in the preview.",
    "    </p>",
    "    <hr>",
    "",
});

const std::string kEnd = crlfLines({"  </body>", "</html>"});

// One controller's section of the page, written out by hand.
std::string section(const std::string& name, const std::string& description, const char* size) {
  return crlfLines({
      "    <p>",
      "      " + name,
      "    </p>",
      "    <p>",
      "      " + description,
      "    </p>",
      "    <p>",
      "      <object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\""
      "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0\" " +
          std::string(size) + " align=\"absmiddle\">",
      "        <param name=movie value=\"" + name + ".swf\">",
      "        <param name=quality value=best>",
      "        <param name=wmode value=transparent>",
      "        <param name=bgcolor value=#0A0B0C>",
      "        <param name=loop value=true>",
      "        <embed src=\"" + name + ".swf\" quality=best wmode=transparent bgcolor=#0A0B0C loop=true " + size +
          " type=\"application/x-shockwave-flash\" pluginspage=\""
          "http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\" align=\"absmiddle\">",
      "        </embed>",
      "      </object>",
      "      Output text",
      "    </p>",
      "    <hr>",
      "",
  });
}

// A program folder whose Controllers folder holds the shipped controllers and a few of its own.
class PreviewPage : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(test::programFolder() + "Controllers", controllers);
    for (const char* name : {"x150040", "bar00150040", "Empty01050050", "Plain03200020"})
      writeFileText(controllers + name + ".swf", "FWS");
    writeFileText(controllers + "Empty01050050.txt", "");
    writeFileText(controllers + "bar00150040.txt", "never shown\r\n");
    writeFileText(controllers + "preview.htm", std::string(5000, 'z'));
  }

  TempFolder program;
  std::string controllers = controllersFolder(program.path());
  RecordingHost host;
};

TEST_F(PreviewPage, ShippedAndOddControllersComparedWhole) {
  ASSERT_TRUE(writePreviewPage(host, program.path(), listControllers(controllers), "0A0B0C", "FFFF00"));
  // Empty01050050 has an empty description file, Plain03200020 none: six spaces.
  EXPECT_EQ(readFileText(controllers + "preview.htm"),
            kHead +
                section("Classic01150040",
                        "Classic: graphite panel, wide Play, Pause and Stop keys over a loading and position bar.",
                        "width=150 height=40") +
                section("Deck01120060",
                        "Deck: deep blue tile with a large Play key between Pause and Stop, bar on top.",
                        "width=120 height=60") +
                section("Empty01050050", "", "width=50 height=50") +
                section("Plain03200020", "", "width=200 height=20") +
                section("Slim01240024",
                        "Slim: one light strip with round keys and a long loading and position bar.",
                        "width=240 height=24") +
                kEnd);
  EXPECT_EQ(host.texts(),
            (std::vector<std::string>{
                "Error: This file is not named correctly and will be skipped \"bar00150040.swf\".",
                "Error: This controller file is not named correctly and will be skipped \"x150040.swf\"."}));
  for (const test::RecordedMessage& m : host.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);

  // An empty list still rewrites the page.
  host.messages.clear();
  ASSERT_TRUE(writePreviewPage(host, program.path(), {}, "0A0B0C", "FFFF00"));
  EXPECT_EQ(readFileText(controllers + "preview.htm"), kHead + kEnd);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PreviewPage, ColoursKeepOnlyHexDigitsAndDescriptionsTheirFirstLine) {
  ASSERT_TRUE(writePreviewPage(host, program.path(), {"Deck01120060"}, "\"><b", "ff8"));
  const std::string page = readFileText(controllers + "preview.htm");
  EXPECT_NE(page.find("  <body bgcolor=\"#000b\" text=\"#ff8\">\r\n"), std::string::npos);
  EXPECT_NE(page.find("        <param name=bgcolor value=#000b>\r\n"), std::string::npos);
  EXPECT_NE(page.find(" bgcolor=#000b loop=true "), std::string::npos);

  const struct {
    std::string fileText, description;
  } rows[] = {
      {"One line\r\nSecond line\r\n", "One line"},
      {"Unix line\nSecond\n", "Unix line"},
      {"No line end", "No line end"},
      {"\r\nSecond line", ""},
      {std::string(10000, 'd') + "\r\nrest", std::string(10000, 'd')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fileText.substr(0, 20));
    writeFileText(controllers + "Deck01120060.txt", row.fileText);
    EXPECT_EQ(readControllerDescription(controllers, "Deck01120060"), row.description);
  }
}

TEST(PreviewPageFailure, MissingControllersFolderIsReportedAndWritesNothing) {
  TempFolder program;
  RecordingHost host;
  EXPECT_FALSE(writePreviewPage(host, program.path(), {"Deck01120060"}, "FFFFFF", "000000"));
  EXPECT_EQ(host.texts(), (std::vector<std::string>{"Error: Cannot create preview file \"" + program.path() +
                                                    "Controllers/preview.htm\"."}));
  EXPECT_TRUE(program.entries().empty());
}

}  // namespace
}  // namespace sonaflux
