// What the build lays out in the program folder besides the code.
#include <gtest/gtest.h>
#include <algorithm>
#include <regex>
#include <string>

#include "settings/parameters_file.h"
#include "tests/support/swf_walker.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tools/controllers/controller_movie.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"

namespace sonaflux {
namespace {

using namespace controllers;

TEST(Controllers, EveryShippedControllerIsAWholeMovieOfTheSizeItsNameGives) {
  for (const Design& d : shippedDesigns()) {
    SCOPED_TRACE(d.name);
    // Read as the Options list and the page read it.
    EXPECT_EQ(checkControllerName(d.name), ControllerNaming::Correct);
    EXPECT_EQ(controllerSize(d.name).width, d.width);
    EXPECT_EQ(controllerSize(d.name).height, d.height);
    const auto movie = buildController(d);
    ASSERT_TRUE(movie.has_value());
    const auto swf = test::walkSwf(*movie);
    ASSERT_TRUE(swf.has_value());
    EXPECT_EQ(std::tuple(swf->xMax, swf->yMax), std::tuple(d.width * 20, d.height * 20));
    // The player advances a stream loaded into a level at the controller's
    // rate: anything but the stream's one frame a second breaks the sound.
    EXPECT_EQ(swf->frameRate, 0x0100);
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

// Opened from the disk, possibly offline: nothing may be fetched, and every link finds its place.
TEST(HelpPage, SelfContainedWithWorkingLinks) {
  const std::string html = test::readFileText(test::programFolder() + "snxhelp.htm");
  for (const char* fetch : {"src=", "<link", "url(", "@import"})
    EXPECT_EQ(html.find(fetch), std::string::npos) << fetch;
  const std::regex anchorPattern(R"re(href="#([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), anchorPattern); it != std::sregex_iterator(); ++it)
    EXPECT_NE(html.find("id=\"" + (*it)[1].str() + "\""), std::string::npos) << "no target for #" << (*it)[1];
}

}  // namespace
}  // namespace sonaflux
