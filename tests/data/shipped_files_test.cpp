// What the build lays out in the program folder besides the code.
#include <gtest/gtest.h>
#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "settings/parameters_file.h"
#include "tests/support/swf_walker.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tools/controllers/controller_logic.h"
#include "tools/controllers/controller_movie.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"

namespace sonaflux {
namespace {

using namespace controllers;

constexpr std::uint16_t kTagDoAction = 12;
constexpr std::uint16_t kTagPlaceObject2 = 26;
constexpr std::uint16_t kTagDefineButton2 = 34;

TEST(Controllers, EveryShippedControllerIsAWholeMovieOfTheSizeItsNameGives) {
  for (const Design& d : shippedDesigns()) {
    SCOPED_TRACE(d.name);
    // Read as the Options list and the page read it.
    EXPECT_EQ(checkControllerName(d.name), ControllerNaming::Correct);
    EXPECT_EQ(controllerSize(d.name).width, d.width);
    EXPECT_EQ(controllerSize(d.name).height, d.height);
    EXPECT_EQ(d.description.find_first_of("\r\n"), std::string::npos);
    for (const Box& b : {d.play, d.pause, d.stop, d.bar})
      EXPECT_TRUE(b.x >= 0 && b.y >= 0 && b.x + b.width <= d.width && b.y + b.height <= d.height) << "off the stage";
    const auto movie = buildController(d);
    ASSERT_TRUE(movie.has_value());
    const auto swf = test::walkSwf(*movie);
    ASSERT_TRUE(swf.has_value());
    EXPECT_EQ(std::tuple(swf->xMax, swf->yMax), std::tuple(d.width * 20, d.height * 20));
    // The player advances a stream loaded into a level at the controller's
    // rate: anything but the stream's one frame a second breaks the sound.
    EXPECT_EQ(swf->frameRate, 0x0100);
    EXPECT_EQ(std::tuple(swf->fileLength, swf->frameCount), std::tuple(movie->size(), swf->showFrames()));
    EXPECT_EQ(swf->tagsWithCode(kTagDefineButton2).size(), 3u);
    // Every frame runs the update script.
    EXPECT_GE(swf->tagsWithCode(kTagDoAction).size(), static_cast<std::size_t>(swf->frameCount));
    int bars = 0;
    for (const auto* place : swf->tagsWithCode(kTagPlaceObject2)) {
      for (const std::string name : {kLoadedBarName, kPlayedBarName})
        bars += std::search(place->body.begin(), place->body.end(), name.begin(), name.end()) != place->body.end();
    }
    EXPECT_EQ(bars, 2);
  }
}

const std::string kShippedSettings = test::readFileText(test::sourceFolder() + "data/snx.da0");

TEST(ShippedSettings, ReadAndNameAShippedController) {
  const std::optional<SettingsRecord> settings = decodeParameters(kShippedSettings);
  ASSERT_TRUE(settings) << "the program would stop at its first start";
  const auto designs = shippedDesigns();
  EXPECT_TRUE(std::any_of(designs.begin(), designs.end(), [&](const Design& d) {
    return d.name == settings->controllerName;
  })) << settings->controllerName;
}

// No browser of today plays the classic page by itself.
TEST(ShippedSettings, WriteThePageForEveryBrowser) {
  EXPECT_EQ(decodeParameters(kShippedSettings)->pageFor, PageFor::EveryBrowser);
}

// The tip window's test shows every tip fits; here, the bytes it is read from.
TEST(TipsFile, AsciiTipsOnWholeCrLfLines) {
  const std::string text = test::readFileText(test::programFolder() + "tips.da0");
  ASSERT_TRUE(text.ends_with("\r\n")) << "the last tip is a whole line";
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    const bool lineEnd = (c == '\r' && text[at + 1] == '\n') || (c == '\n' && text[at - 1] == '\r');
    EXPECT_TRUE(lineEnd || (c >= 0x20 && c < 0x7f)) << "byte " << at;
  }
}

// Opened from the disk, possibly offline: nothing may be fetched, and every link finds its place.
TEST(HelpPage, SelfContainedWithWorkingLinks) {
  const std::string html = test::readFileText(test::programFolder() + "snxhelp.htm");
  ASSERT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  for (const char* fetch : {"src=", "<link", "url(", "@import"})
    EXPECT_EQ(html.find(fetch), std::string::npos) << fetch;
  std::set<std::string> ids;
  const std::regex idPattern(R"re(id="([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), idPattern); it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(ids.insert((*it)[1]).second) << "duplicate id " << (*it)[1];
  const std::regex anchorPattern(R"re(href="#([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), anchorPattern); it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(ids.count((*it)[1])) << "no target for #" << (*it)[1];
}

}  // namespace
}  // namespace sonaflux
