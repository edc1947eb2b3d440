#include "writers/controller_list.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using test::TempFolder;
using test::writeFileText;

TEST(ControllerList, ListsSwfFilesSortedWithoutCaseAndLeavesPreviewOut) {
  TempFolder folder;
  for (const char* name : {"Slim01240024.swf", "bar00150040.swf", "Classic01150040.swf",
                           "Preview.swf", "PREVIEW.swf", "preview.htm", "Classic01150040.txt",
                           "Deck01120060.SWF", "previewer01100010.swf"})
    writeFileText(folder.file(name), "x");
  std::filesystem::create_directory(folder.file("Folder01100010.swf"));

  EXPECT_EQ(listControllers(folder.path()),
            (std::vector<std::string>{"bar00150040", "Classic01150040", "previewer01100010",
                                      "Slim01240024"}));
}

TEST(ControllerList, MissingFolderGivesEmptyList) {
  TempFolder folder;
  EXPECT_TRUE(listControllers(folder.file("Controllers/")).empty());
}

TEST(ControllerList, SelectionStartsAtSecondEntryAndWraps) {
  const std::vector<std::string> three = {"Classic01150040", "Deck01120060", "Slim01240024"};
  const std::vector<std::string> prefixed = {"Classic", "Classic01150040", "Deck01120060"};
  struct Row {
    std::vector<std::string> entries;
    std::string stored;
    std::optional<std::size_t> expected;
  } rows[] = {
      {three, "Deck01120060", 1},
      {three, "slim01240024", 2},          // case ignored
      {three, "CLASSIC01150040", 0},       // found only after wrapping round
      {three, "Deck", 1},                  // a beginning is enough
      {three, "Deck01120060x", std::nullopt},
      {three, "Round01100010", std::nullopt},
      {prefixed, "Classic", 1},            // the later, longer entry wins
      {prefixed, "classic0", 1},
      {three, "", 1},                      // matches everything: the search start
      {{"Solo01100010"}, "Solo01100010", 0},
      {{"Solo01100010"}, "", 0},
      {{}, "Classic01150040", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("stored \"" + row.stored + "\" among " + std::to_string(row.entries.size()));
    EXPECT_EQ(selectedController(row.entries, row.stored), row.expected);
  }
}

TEST(ControllerList, NamingRuleReadsTheThreeCodeNumbers) {
  struct Row {
    std::string name;
    ControllerNaming naming;
    int first, width, height;
  } rows[] = {
      {"Classic01150040", ControllerNaming::Correct, 1, 150, 40},
      {"Deck01120060", ControllerNaming::Correct, 1, 120, 60},
      {"x01150040", ControllerNaming::Correct, 1, 150, 40},
      {"01150040", ControllerNaming::TooShort, 1, 150, 40},
      {"x150040", ControllerNaming::TooShort, 0, 0, 0},
      {"", ControllerNaming::TooShort, 0, 0, 0},
      {"bar00150040", ControllerNaming::ZeroInCode, 0, 150, 40},
      {"bar01000040", ControllerNaming::ZeroInCode, 1, 0, 40},
      {"bar01150000", ControllerNaming::ZeroInCode, 1, 150, 0},
      {"bar0115004x", ControllerNaming::Correct, 1, 150, 4},   // reading stops at a non-digit
      {"bar01x50040", ControllerNaming::ZeroInCode, 1, 0, 40}, // no digits read as 0
      {"bar01 50 40", ControllerNaming::Correct, 1, 50, 40},   // leading blanks accepted
      {"bar+1+50-40", ControllerNaming::Correct, 1, 50, -40},  // and a sign
      {"Classic01150040.old", ControllerNaming::ZeroInCode, 0, 40, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(checkControllerName(row.name), row.naming);
    ControllerCode code = controllerCode(row.name);
    EXPECT_EQ(code.first, row.first);
    EXPECT_EQ(code.width, row.width);
    EXPECT_EQ(code.height, row.height);
  }
}

}  // namespace
}  // namespace sonaflux
