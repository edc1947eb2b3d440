#include "tools/controllers/controller_movie.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "settings/parameters_file.h"
#include "tests/support/swf_walker.h"
#include "tools/controllers/controller_logic.h"

namespace sonaflux::controllers {
namespace {

constexpr std::uint16_t kTagDoAction = 12;
constexpr std::uint16_t kTagPlaceObject2 = 26;
constexpr std::uint16_t kTagDefineButton2 = 34;

int codeNumber(const std::string& name, std::size_t from, std::size_t count) {
  return std::stoi(name.substr(name.size() - 8 + from, count));
}

bool contains(const std::vector<std::uint8_t>& body, const std::string& text) {
  return std::search(body.begin(), body.end(), text.begin(), text.end()) != body.end();
}

TEST(Controllers, NamesFollowTheControllerCodeAndMatchTheirSize) {
  std::set<std::pair<int, int>> sizes;
  for (const Design& d : shippedDesigns()) {
    SCOPED_TRACE(d.name);
    ASSERT_GE(d.name.size(), 9u);
    const std::string code = d.name.substr(d.name.size() - 8);
    ASSERT_TRUE(std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }));
    EXPECT_NE(codeNumber(d.name, 0, 2), 0);
    EXPECT_EQ(codeNumber(d.name, 2, 3), d.width);
    EXPECT_EQ(codeNumber(d.name, 5, 3), d.height);
    EXPECT_EQ(d.description.find_first_of("\r\n"), std::string::npos);
    sizes.insert({d.width, d.height});
  }
  EXPECT_GE(sizes.size(), 3u);
}

TEST(Controllers, TheShippedParametersFileReadsAndNamesAShippedController) {
  std::ifstream in(std::string(SONAFLUX_SOURCE_DIR) + "data/snx.da0", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::optional<SettingsRecord> settings = decodeParameters(text);
  ASSERT_TRUE(settings) << "the program would stop at its first start";
  const auto& designs = shippedDesigns();
  EXPECT_TRUE(std::any_of(designs.begin(), designs.end(),
                          [&](const Design& d) { return d.name == settings->controllerName; }))
      << settings->controllerName;
}

TEST(Controllers, EveryControllerIsAWholeMovieAtTheStreamFrameRate) {
  for (const Design& d : shippedDesigns()) {
    SCOPED_TRACE(d.name);
    const auto movie = buildController(d);
    ASSERT_TRUE(movie.has_value());
    std::string error;
    const auto swf = sonaflux::test::walkSwf(*movie, &error);
    ASSERT_TRUE(swf.has_value()) << error;
    EXPECT_EQ(swf->fileLength, movie->size());
    EXPECT_EQ(swf->xMin, 0);
    EXPECT_EQ(swf->yMin, 0);
    EXPECT_EQ(swf->xMax, d.width * 20);
    EXPECT_EQ(swf->yMax, d.height * 20);
    // The player advances a stream loaded into a level at the controller's
    // rate: anything but the stream's one frame a second breaks the sound.
    EXPECT_EQ((*movie)[swf->headerSize - 4], 0x00);
    EXPECT_EQ((*movie)[swf->headerSize - 3], 0x01);
    EXPECT_EQ(swf->frameCount, swf->showFrames());

    EXPECT_EQ(swf->tagsWithCode(kTagDefineButton2).size(), 3u);
    // Every frame runs the update script.
    EXPECT_GE(swf->tagsWithCode(kTagDoAction).size(), static_cast<std::size_t>(swf->frameCount));
    int bars = 0;
    for (const auto* place : swf->tagsWithCode(kTagPlaceObject2)) {
      if (contains(place->body, kLoadedBarName) || contains(place->body, kPlayedBarName)) ++bars;
    }
    EXPECT_EQ(bars, 2);
  }
}

TEST(Controllers, ButtonsAreInsideTheStage) {
  for (const Design& d : shippedDesigns()) {
    SCOPED_TRACE(d.name);
    for (const Box& b : {d.play, d.pause, d.stop, d.bar}) {
      EXPECT_GE(b.x, 0);
      EXPECT_GE(b.y, 0);
      EXPECT_LE(b.x + b.width, d.width);
      EXPECT_LE(b.y + b.height, d.height);
    }
  }
}

}  // namespace
}  // namespace sonaflux::controllers
