#include "tools/artwork/artwork_set.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"
#include "tools/artwork/png_file.h"

namespace sonaflux {
namespace {

using artwork::PngPixels;

struct Pixel {
  int r, g, b, a;
};

Pixel pixelAt(const PngPixels& png, int x, int y) {
  const std::size_t i = static_cast<std::size_t>((y * png.width + x) * png.channels);
  return {png.bytes[i], png.bytes[i + 1], png.bytes[i + 2], png.channels == 4 ? png.bytes[i + 3] : 255};
}

bool isMagenta(const Pixel& p) { return p.r == 255 && p.g == 0 && p.b == 255; }
bool nearMagenta(const Pixel& p) { return 255 - p.r <= 40 && p.g <= 40 && 255 - p.b <= 40; }

double luminance(const Pixel& p) {
  auto linear = [](int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(p.r) + 0.7152 * linear(p.g) + 0.0722 * linear(p.b);
}

// One generated set shared by every test: drawing it takes a fraction of a second.
std::string artworkFile(const std::string& name) {
  static const test::TempFolder folder;
  static std::string error;
  static const bool written = artwork::writeArtwork(folder.path(), SONAFLUX_ARTWORK_FONT, error);
  EXPECT_TRUE(written) << error;
  return folder.file(name);
}

PngPixels picture(const std::string& name) {
  auto png = artwork::readPng(artworkFile(name));
  EXPECT_TRUE(png) << name;
  return png.value_or(PngPixels{});
}

TEST(Artwork, ButtonsAreKeyedOnExactMagentaWithTheirLabelsInTheMiddle) {
  // Name, width, height, least ink width of the label, the only near-white ink on a button (0: no label).
  const std::tuple<const char*, int, int, int> rows[] = {
      {"help.png", 75, 25, 20},   {"browse.png", 75, 25, 35}, {"options.png", 75, 25, 35},  {"create.png", 75, 25, 35},
      {"exit.png", 75, 25, 15},   {"minimise.png", 18, 18, 0}, {"close.png", 18, 18, 0}};
  for (const auto& [name, width, height, minInkWidth] : rows) {
    SCOPED_TRACE(name);
    const PngPixels png = picture(name);
    const int w = png.width, h = png.height;
    ASSERT_EQ(std::tuple(w, h, png.channels), std::tuple(width, height, 3));
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
      EXPECT_TRUE(isMagenta(pixelAt(png, x, y)));
    int opaque = 0, left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Pixel p = pixelAt(png, x, y);
        opaque += !isMagenta(p);
        EXPECT_FALSE(nearMagenta(p) && !isMagenta(p)) << "near-magenta pixel at " << x << "," << y;
        if (std::min({p.r, p.g, p.b}) < 235) continue;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    EXPECT_GT(opaque, w * h * 2 / 3);
    if (minInkWidth == 0) continue;
    ASSERT_GE(right, 0) << "no label";
    EXPECT_GE(right - left + 1, minInkWidth);
    EXPECT_NEAR((left + right) / 2.0, (w - 1) / 2.0, 1.5);
    EXPECT_TRUE(top >= 4 && bottom <= h - 4) << "label rows " << top << " to " << bottom;
  }
}

TEST(Artwork, TitleIsOnlyPureBlackAndWhite) {
  const PngPixels png = picture("title.png");
  ASSERT_EQ(std::tuple(png.width, png.height, png.channels), std::tuple(300, 75, 3));
  // Every byte 0 or 255 and the same as the first of its pixel.
  for (std::size_t i = 0; i < png.bytes.size(); ++i)
    ASSERT_TRUE(png.bytes[i] % 255 == 0 && png.bytes[i] == png.bytes[i - i % 3]) << "pixel " << i / 3;
  // Enough ink to read, not a white slab.
  const auto white = std::count(png.bytes.begin(), png.bytes.end(), 255) / 3;
  EXPECT_TRUE(white > png.width * png.height / 10 && white < png.width * png.height / 2) << white;
}

// The window paints white text (and ORs the title) anywhere on the background:
// luminance 0.18 keeps white text at a contrast of at least 4.6 to 1.
TEST(Artwork, BackgroundStaysDarkUnderTheWindowsWhiteText) {
  const PngPixels png = picture("background.png");
  ASSERT_EQ(std::tuple(png.width, png.height, png.channels), std::tuple(450, 350, 3));
  double brightest = 0;
  for (int y = 0; y < png.height; ++y)
    for (int x = 0; x < png.width; ++x) brightest = std::max(brightest, luminance(pixelAt(png, x, y)));
  EXPECT_LE(brightest, 0.18);
}

TEST(Artwork, IconsAndCursorsHaveClearCornersAndTheHandItsHotspot) {
  const PngPixels hand = picture("hand.png");
  EXPECT_EQ(pixelAt(hand, 9, 1).a, 255);
  for (int x : {8, 9, 10}) EXPECT_EQ(pixelAt(hand, x, 0).a, 0);
  for (auto [name, size] : {std::pair{"hand.png", 32}, {"tip.png", 32}, {"icon16.png", 16}, {"icon32.png", 32},
                            {"icon128.png", 128}}) {
    SCOPED_TRACE(name);
    const PngPixels png = picture(name);
    ASSERT_EQ(std::tuple(png.width, png.height, png.channels), std::tuple(size, size, 4));
    EXPECT_EQ(pixelAt(png, 0, 0).a + pixelAt(png, png.width - 1, 0).a, 0);
    EXPECT_EQ(pixelAt(png, png.width / 2, png.height / 2).a, 255);
  }
}

TEST(Artwork, ClickSoundsAreShortUnclippedEightBitMono) {
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const char* name : {"minimise.wav", "close.wav", "help.wav", "browse.wav", "options.wav", "create.wav"}) {
    SCOPED_TRACE(name);
    const auto bytes = test::readFileBytes(artworkFile(name));
    ASSERT_GE(bytes.size(), 44u);
    const std::uint32_t size = bytes[40] | bytes[41] << 8 | bytes[42] << 16 | std::uint32_t{bytes[43]} << 24;
    // The canonical header of 8-bit mono PCM at 11 025 Hz, then the samples and nothing more.
    const auto canonical = test::makePcmWav(11025, 1, 8, std::vector<std::int16_t>(size));
    EXPECT_EQ(bytes.size(), canonical.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 44, canonical.begin()));
    EXPECT_TRUE(size >= 0.34 * 11025 && size <= 0.97 * 11025) << size;
    const std::vector<std::uint8_t> body(bytes.begin() + 44, bytes.begin() + 44 + size);
    const auto [low, high] = std::minmax_element(body.begin(), body.end());
    EXPECT_TRUE(*low > 0 && *high < 255) << "clipped";
    EXPECT_GT(*high - *low, 120) << "audible";
    EXPECT_TRUE(std::abs(body.front() - 128) <= 2 && std::abs(body.back() - 128) <= 2) << "starts and ends in silence";
    EXPECT_EQ(std::find(bodies.begin(), bodies.end(), body), bodies.end()) << "same as another sound";
    bodies.push_back(body);
  }
}

TEST(ArtworkSet, FailsWithAReasonWhenTheFontIsMissing) {
  test::TempFolder folder;
  std::string error;
  EXPECT_FALSE(artwork::writeArtwork(folder.path(), folder.file("no-such-font.ttf"), error));
  EXPECT_NE(error.find("no-such-font.ttf"), std::string::npos);
}

}  // namespace
}  // namespace sonaflux
