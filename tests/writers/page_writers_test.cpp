#include "writers/html_page_writer.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <regex>

#include "core/page_for.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"
#include "writers/every_browser_page.h"
#include "writers/preview_page_writer.h"

namespace sonaflux {
namespace {

using test::readFileText;
using test::writeFileText;
constexpr std::size_t npos = std::string::npos;

ApplicationPaths programOnly(const std::string& programFolder) {
  ApplicationPaths paths;
  paths.programFolder = programFolder;
  return paths;
}

struct PageContext {
  test::RecordingHost host;
  AppContext ctx{host};
  PageContext(std::int32_t outputMode, const std::string& controller, const std::string& instruction) {
    ctx.settings.outputMode = outputMode;
    ctx.settings.controllerName = controller;
    ctx.settings.instruction = instruction;
    ctx.job.outputBaseName = "snx12";
  }
};

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info) {
  return info.param.name;
}

// What the classic page tells the player. Controller output with each
// instruction, bare looping output and the pages that load the copied
// player are played in the browser tests.
struct ClassicPageRow {
  const char* name;
  std::int32_t outputMode;
  PageFor pageFor;
  const char* loop;
  const char* script;  // the player's script; "" for none
};
void PrintTo(const ClassicPageRow& row, std::ostream* out) { *out << row.name; }

class ClassicPage : public testing::TestWithParam<ClassicPageRow> {};

TEST_P(ClassicPage, LoopsAndLoadsThePlayerAsTheSettingsChoose) {
  const ClassicPageRow& row = GetParam();
  PageContext p(row.outputMode, "Classic01150040", "e");
  p.ctx.settings.pageFor = row.pageFor;
  const std::string page = buildHtmlPage(htmlPageFields(p.ctx), playerScriptFor(p.ctx));
  const std::string loop = row.loop;
  EXPECT_NE(page.find("<param name=loop value=" + loop + ">"), npos);
  EXPECT_NE(page.find(" loop=" + loop + " "), npos);
  const std::string script = *row.script ? std::string("<script src=\"") + row.script + "\"></script>" : "<script";
  EXPECT_EQ(page.find(script) != npos, *row.script != '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ClassicPage,
    testing::Values(ClassicPageRow{"bare_once", kOutputModeBareOnce, PageFor::FlashPlayers, "false", ""},
                    ClassicPageRow{"player_online", kOutputModeBareLooping, PageFor::FlashAndRuffleOnline, "true",
                                   "https://unpkg.com/@ruffle-rs/ruffle"}),
    rowName<ClassicPageRow>);

struct TitleRow {
  const char* name;
  std::string title;
  std::string written;
};
void PrintTo(const TitleRow& row, std::ostream* out) { *out << row.name; }

class ClassicPageTitle : public testing::TestWithParam<TitleRow> {};

TEST_P(ClassicPageTitle, IsWrittenInLatin1InTheHeadAndUnderTheMovie) {
  const std::string page = buildHtmlPage({GetParam().title, "FFFFFF", "000000", "snx1s", 0, 0, true});
  const std::string line = "\r\n      " + GetParam().written + "\r\n";
  EXPECT_NE(page.find("<title>" + line), npos);
  EXPECT_NE(page.find("</object>" + line), npos);
}

INSTANTIATE_TEST_SUITE_P(Titles, ClassicPageTitle,
                         testing::Values(TitleRow{"latin1", "Caf\xC3\xA9", "Caf\xE9"},
                                         TitleRow{"beyond_latin1", "\xF0\x9F\x8E\xB5", "&#127925;"},
                                         TitleRow{"not_utf8", "Caf\xE9", "Caf\xE9"}),
                         rowName<TitleRow>);

// Instructions c, d, e, f and x and bare looping output are played in the browser tests;
// the letters are made one lower-case letter as the settings are read.
struct SoundRow {
  const char* name;
  std::int32_t outputMode;
  const char* instruction;
  bool autoplay;
  bool loop;
};
void PrintTo(const SoundRow& row, std::ostream* out) { *out << row.name; }

class EveryBrowserSound : public testing::TestWithParam<SoundRow> {};

TEST_P(EveryBrowserSound, StartsAndLoopsAsTheOutputWould) {
  PageContext p(GetParam().outputMode, "Classic01150040", GetParam().instruction);
  const EveryBrowserPageFields fields = everyBrowserPageFields(p.ctx);
  EXPECT_EQ(fields.autoplay, GetParam().autoplay);
  EXPECT_EQ(fields.loop, GetParam().loop);
}

INSTANTIATE_TEST_SUITE_P(Settings, EveryBrowserSound,
                         testing::Values(SoundRow{"bare_once", kOutputModeBareOnce, "e", true, false},
                                         SoundRow{"capital_f", kOutputModeController, "F", true, false}),
                         rowName<SoundRow>);

class EveryBrowserTitle : public testing::TestWithParam<TitleRow> {};

TEST_P(EveryBrowserTitle, CannotBreakTheMarkupAndIsWrittenInUtf8) {
  const std::string page = buildEveryBrowserPage({GetParam().title, "FFFFFF", "000000", "snx1.mp3", true, true});
  EXPECT_NE(page.find("<title>" + GetParam().written + "</title>"), npos);
  EXPECT_NE(page.find("<p>" + GetParam().written + "</p>"), npos);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), npos);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, EveryBrowserTitle,
    testing::Values(TitleRow{"markup", "<b>\"Rock\" & 'Roll'", "&lt;b&gt;&quot;Rock&quot; &amp; &#39;Roll&#39;"},
                    TitleRow{"utf8", "Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"},
                    TitleRow{"latin1_from_old_tags", "Caf\xE9", "Caf\xC3\xA9"}),
    rowName<TitleRow>);

TEST(EveryBrowserPage, ColoursKeepOnlyHexDigits) {
  const std::string page = buildEveryBrowserPage({"", "12ab;}", "\"><b>", "snx1.mp3", true, true});
  EXPECT_NE(page.find("background-color: #12ab00; color: #000b0;"), npos);
}

struct SelectionRow {
  const char* name;
  std::vector<std::string> entries;
  std::string stored;
  std::optional<std::size_t> selected;
};
void PrintTo(const SelectionRow& row, std::ostream* out) { *out << row.name; }

class ControllerSelection : public testing::TestWithParam<SelectionRow> {};

TEST_P(ControllerSelection, StartsAtTheSecondEntryAndWraps) {
  EXPECT_EQ(selectedController(GetParam().entries, GetParam().stored), GetParam().selected);
}

const std::vector<std::string> kThree = {"Classic01150040", "Deck01120060", "Slim01240024"};

INSTANTIATE_TEST_SUITE_P(Names, ControllerSelection,
                         testing::Values(SelectionRow{"searched_from_the_second", kThree, "", 1},
                                         SelectionRow{"first_after_wrapping", kThree, "CLASSIC01150040", 0},
                                         SelectionRow{"empty_list", {}, "Classic01150040", std::nullopt}),
                         rowName<SelectionRow>);

// A shipped program folder and a user's settings folder, each with controllers.
struct UserAndShippedControllers {
  test::TempFolder program, settings;
  ApplicationPaths paths = programOnly(program.path());
  UserAndShippedControllers() {
    paths.settingsFolder = settings.path();
    const std::string shipped = controllersFolder(program.path()), own = controllersFolder(settings.path());
    for (const std::string& folder : {shipped, own}) std::filesystem::create_directory(folder);
    writeFileText(shipped + "Classic01150040.swf", "FWS");
    writeFileText(shipped + "Slim01240024.swf", "FWS");
    writeFileText(own + "Classic01150040.swf", "FWS");
    writeFileText(own + "Classic01150040.txt", "mine");  // no line end
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
  EXPECT_NE(page.find("      mine\r\n"), npos);
  EXPECT_FALSE(std::filesystem::exists(controllersFolder(f.program.path()) + "preview.htm"));
}

// The shipped controllers, shown in the browser tests, beside a name too
// short, one with a zero in its code and an earlier, longer page.
class PreviewPage : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(test::programFolder() + "Controllers", controllers);
    for (const char* name : {"x150040.swf", "bar00150040.swf"}) writeFileText(controllers + name, "FWS");
    writeFileText(controllers + "preview.htm", std::string(50000, 'z'));
  }

  test::TempFolder program;
  std::string controllers = controllersFolder(program.path());
  test::RecordingHost host;
};

TEST_F(PreviewPage, ShowsEachWellNamedControllerAndSaysWhichAreSkipped) {
  ASSERT_TRUE(writePreviewPage(host, programOnly(program.path()), listControllers(controllers), "FFFFFF", "000000"));
  const std::string page = readFileText(controllers + "preview.htm");
  std::vector<std::string> movies;
  const std::regex embed("<embed src=\"([^\"]+)\"[^>]* (width=\\d+ height=\\d+) ");
  for (std::sregex_iterator it(page.begin(), page.end(), embed), end; it != end; ++it)
    movies.push_back((*it)[1].str() + " " + (*it)[2].str());
  EXPECT_EQ(movies,
            (std::vector<std::string>{"Classic01150040.swf width=150 height=40", "Deck01120060.swf width=120 height=60",
                                      "Slim01240024.swf width=240 height=24"}));
  EXPECT_EQ(page.find("zz"), npos);
  EXPECT_EQ(host.texts(),
            (std::vector<std::string>{
                "Error: This file is not named correctly and will be skipped \"bar00150040.swf\".",
                "Error: This controller file is not named correctly and will be skipped \"x150040.swf\"."}));
}

TEST_F(PreviewPage, WithoutTheFolderSaysWhereItCannotWrite) {
  std::filesystem::remove_all(controllers);
  EXPECT_FALSE(writePreviewPage(host, programOnly(program.path()), {"Deck01120060"}, "FFFFFF", "000000"));
  EXPECT_EQ(host.texts(),
            std::vector<std::string>{"Error: Cannot create preview file \"" + controllers + "preview.htm\"."});
}

// A description without a line end is the user's own in the ControllerList tests.
TEST(ControllerDescription, IsTheFirstLineOfItsFile) {
  test::TempFolder folder;
  writeFileText(folder.file("Deck01120060.txt"), "Unix line\nSecond\n");
  EXPECT_EQ(readControllerDescription(folder.path(), "Deck01120060"), "Unix line");
}

}  // namespace
}  // namespace sonaflux
