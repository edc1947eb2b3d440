#include "writers/preview_page_writer.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "writers/controller_list.h"

namespace sonaflux {
namespace {

using test::readFileText;
using test::RecordingHost;
using test::TempFolder;
using test::writeFileText;

using test::crlfLines;

const std::string kCab =
    "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0";
const std::string kPlugin =
    "http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash";

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
      "      <object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"" + kCab +
          "\" " + size + " align=\"absmiddle\">",
      "        <param name=movie value=\"" + name + ".swf\">",
      "        <param name=quality value=best>",
      "        <param name=wmode value=transparent>",
      "        <param name=bgcolor value=#0A0B0C>",
      "        <param name=loop value=true>",
      "        <embed src=\"" + name + ".swf\" quality=best wmode=transparent bgcolor=#0A0B0C "
      "loop=true " + size + " type=\"application/x-shockwave-flash\" pluginspage=\"" + kPlugin +
          "\" align=\"absmiddle\">",
      "        </embed>",
      "      </object>",
      "      Output text",
      "    </p>",
      "    <hr>",
      "",
  });
}

// A program folder whose Controllers folder holds the shipped controllers
// and a few of its own.
class PreviewPage : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(test::programFolder() + "Controllers", controllers);
    for (const char* name : {"x150040", "bar00150040", "Empty01050050", "Plain03200020"})
      writeFileText(controllers + name + ".swf", "FWS");
    writeFileText(controllers + "Empty01050050.txt", "");
    writeFileText(controllers + "bar00150040.txt", "never shown\r\n");
  }

  TempFolder program;
  std::string controllers = controllersFolder(program.path());
  RecordingHost host;
};

TEST_F(PreviewPage, ShippedAndOddControllersComparedWhole) {
  std::vector<std::string> entries = listControllers(controllers);
  ASSERT_TRUE(writePreviewPage(host, program.path(), entries, "0A0B0C", "FFFF00"));

  // Empty01050050 has an empty description file, Plain03200020 none: six spaces.
  EXPECT_EQ(readFileText(controllers + "preview.htm"),
            kHead +
                section("Classic01150040",
                        "Classic: graphite panel, wide Play, Pause and Stop keys over a loading "
                        "and position bar.",
                        "width=150 height=40") +
                section("Deck01120060",
                        "Deck: deep blue tile with a large Play key between Pause and Stop, bar "
                        "on top.",
                        "width=120 height=60") +
                section("Empty01050050", "", "width=50 height=50") +
                section("Plain03200020", "", "width=200 height=20") +
                section("Slim01240024",
                        "Slim: one light strip with round keys and a long loading and position "
                        "bar.",
                        "width=240 height=24") +
                kEnd);
  EXPECT_EQ(host.texts(),
            (std::vector<std::string>{
                "Error: This file is not named correctly and will be skipped \"bar00150040.swf\".",
                "Error: This controller file is not named correctly and will be skipped "
                "\"x150040.swf\"."}));
  for (const test::RecordedMessage& m : host.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);
}

TEST_F(PreviewPage, RewritesAnOlderPageWithAnEmptyList) {
  writeFileText(controllers + "preview.htm", std::string(5000, 'z'));
  ASSERT_TRUE(writePreviewPage(host, program.path(), {}, "0A0B0C", "FFFF00"));
  EXPECT_EQ(readFileText(controllers + "preview.htm"), kHead + kEnd);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PreviewPage, ColoursKeepOnlyHexDigits) {
  ASSERT_TRUE(writePreviewPage(host, program.path(), {"Deck01120060"}, "\"><b", "ff8"));
  std::string page = readFileText(controllers + "preview.htm");
  EXPECT_NE(page.find("  <body bgcolor=\"#000b\" text=\"#ff8\">\r\n"), std::string::npos);
  EXPECT_NE(page.find("        <param name=bgcolor value=#000b>\r\n"), std::string::npos);
  EXPECT_NE(page.find(" bgcolor=#000b loop=true "), std::string::npos);
}

TEST_F(PreviewPage, DescriptionIsTheFirstLineOnly) {
  struct Row {
    std::string fileText;
    std::string description;
  } rows[] = {
      {"One line\r\nSecond line\r\n", "One line"},
      {"Unix line\nSecond\n", "Unix line"},
      {"No line end", "No line end"},
      {"\r\nSecond line", ""},
      {std::string(10000, 'd') + "\r\nrest", std::string(10000, 'd')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fileText.substr(0, 20));
    writeFileText(controllers + "Deck01120060.txt", row.fileText);
    EXPECT_EQ(readControllerDescription(controllers, "Deck01120060"), row.description);
  }
}

TEST(PreviewPageFailure, MissingControllersFolderIsReportedAndWritesNothing) {
  TempFolder program;
  RecordingHost host;
  EXPECT_FALSE(writePreviewPage(host, program.path(), {"Deck01120060"}, "FFFFFF", "000000"));
  EXPECT_EQ(host.texts(), (std::vector<std::string>{"Error: Cannot create preview file \"" +
                                                    program.path() + "Controllers/preview.htm\"."}));
  EXPECT_TRUE(program.entries().empty());
}

}  // namespace
}  // namespace sonaflux
