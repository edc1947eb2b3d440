#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <string>

#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

// The pictures as the program has them: built into it as resources.
QImage picture(const char* name) {
  QImage image(QStringLiteral(":/artwork/") + name);
  EXPECT_FALSE(image.isNull()) << name;
  return image.convertToFormat(QImage::Format_ARGB32);
}

bool isMagenta(QRgb p) { return qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 255; }
bool nearMagenta(QRgb p) { return 255 - qRed(p) <= 40 && qGreen(p) <= 40 && 255 - qBlue(p) <= 40; }

double luminance(QRgb p) {
  auto linear = [](int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(qRed(p)) + 0.7152 * linear(qGreen(p)) + 0.0722 * linear(qBlue(p));
}

// A test name from the picture's file name.
std::string baseName(const char* file) { return std::string(file).substr(0, std::string(file).find('.')); }

struct ButtonRow {
  const char* name;
  int minLabelWidth;  // 0: a mark, no label
};

void PrintTo(const ButtonRow& row, std::ostream* out) { *out << row.name; }

class ButtonPicture : public ::testing::TestWithParam<ButtonRow> {};

// The window cuts buttons out along exact magenta: a pixel close to it would show as a fringe.
TEST_P(ButtonPicture, IsKeyedOnExactMagentaWithItsLabelInTheMiddle) {
  const ButtonRow& row = GetParam();
  const QImage png = picture(row.name);
  const int w = png.width(), h = png.height();
  for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
    EXPECT_TRUE(isMagenta(png.pixel(corner)));
  int opaque = 0, left = w, right = -1, top = h, bottom = -1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const QRgb p = png.pixel(x, y);
      opaque += !isMagenta(p);
      EXPECT_FALSE(nearMagenta(p) && !isMagenta(p)) << "near-magenta pixel at " << x << "," << y;
      if (std::min({qRed(p), qGreen(p), qBlue(p)}) < 235) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_GT(opaque, w * h * 2 / 3);
  if (row.minLabelWidth == 0) return;
  ASSERT_GE(right, 0) << "no label";
  EXPECT_GE(right - left + 1, row.minLabelWidth);
  EXPECT_NEAR((left + right) / 2.0, (w - 1) / 2.0, 1.5);
  EXPECT_TRUE(top >= 4 && bottom <= h - 4) << "label rows " << top << " to " << bottom;
}

INSTANTIATE_TEST_SUITE_P(Artwork, ButtonPicture,
                         ::testing::Values(ButtonRow{"help.png", 20}, ButtonRow{"browse.png", 35},
                                           ButtonRow{"options.png", 35}, ButtonRow{"create.png", 35},
                                           ButtonRow{"exit.png", 15}, ButtonRow{"minimise.png", 0},
                                           ButtonRow{"close.png", 0}),
                         [](const auto& info) { return baseName(info.param.name); });

// The window ORs the title onto its background.
TEST(Artwork, TitleIsOnlyPureBlackAndWhite) {
  const QImage png = picture("title.png");
  int white = 0;
  for (int y = 0; y < png.height(); ++y) {
    for (int x = 0; x < png.width(); ++x) {
      const QRgb p = png.pixel(x, y);
      ASSERT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << x << "," << y;
      white += p == qRgb(255, 255, 255);
    }
  }
  // Enough ink to read, not a white slab.
  EXPECT_TRUE(white > png.width() * png.height() / 10 && white < png.width() * png.height() / 2) << white;
}

// Luminance 0.18 keeps the window's white text at a contrast of at least 4.6 to 1 anywhere.
TEST(Artwork, BackgroundStaysDarkUnderTheWindowsWhiteText) {
  const QImage png = picture("background.png");
  double brightest = 0;
  for (int y = 0; y < png.height(); ++y)
    for (int x = 0; x < png.width(); ++x) brightest = std::max(brightest, luminance(png.pixel(x, y)));
  EXPECT_LE(brightest, 0.18);
}

class ClearCornerPicture : public ::testing::TestWithParam<const char*> {};

TEST_P(ClearCornerPicture, IsTransparentAtItsCornersAndSolidInTheMiddle) {
  const QImage png = picture(GetParam());
  EXPECT_EQ(qAlpha(png.pixel(0, 0)) + qAlpha(png.pixel(png.width() - 1, 0)), 0);
  EXPECT_EQ(qAlpha(png.pixel(png.width() / 2, png.height() / 2)), 255);
}

INSTANTIATE_TEST_SUITE_P(Artwork, ClearCornerPicture,
                         ::testing::Values("hand.png", "tip.png", "icon16.png", "icon32.png", "icon128.png"),
                         [](const auto& info) { return baseName(info.param); });

// The cursor's hotspot is the tip of the index finger.
TEST(Artwork, HandPointsWithTheTopOfItsFingerAtTheHotspot) {
  const QImage hand = picture("hand.png");
  EXPECT_EQ(qAlpha(hand.pixel(9, 1)), 255);
  for (int x : {8, 9, 10}) EXPECT_EQ(qAlpha(hand.pixel(x, 0)), 0);
}

TEST(Artwork, ClickSoundsAreShortUnclippedEightBitMono) {
  std::vector<QByteArray> bodies;
  for (const char* name : {"minimise.wav", "close.wav", "help.wav", "browse.wav", "options.wav", "create.wav"}) {
    SCOPED_TRACE(name);
    QFile file(QStringLiteral(":/artwork/") + name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 44);
    const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::uint32_t size = b[40] | b[41] << 8 | b[42] << 16 | std::uint32_t{b[43]} << 24;
    // The canonical header of 8-bit mono PCM at 11 025 Hz, then the samples and nothing more.
    const auto canonical = test::makePcmWav(11025, 1, 8, std::vector<std::int16_t>(size));
    EXPECT_EQ(static_cast<std::size_t>(bytes.size()), canonical.size());
    EXPECT_TRUE(std::equal(b, b + 44, canonical.begin()));
    EXPECT_TRUE(size >= 0.34 * 11025 && size <= 0.97 * 11025) << size;
    const QByteArray body = bytes.mid(44, static_cast<qsizetype>(size));
    const auto [low, high] = std::minmax_element(reinterpret_cast<const std::uint8_t*>(body.constData()),
                                                 reinterpret_cast<const std::uint8_t*>(body.constData()) + body.size());
    EXPECT_TRUE(*low > 0 && *high < 255) << "clipped";
    EXPECT_GT(*high - *low, 120) << "audible";
    EXPECT_TRUE(std::abs(static_cast<std::uint8_t>(body.front()) - 128) <= 2 &&
                std::abs(static_cast<std::uint8_t>(body.back()) - 128) <= 2)
        << "starts and ends in silence";
    EXPECT_EQ(std::find(bodies.begin(), bodies.end(), body), bodies.end()) << "same as another sound";
    bodies.push_back(body);
  }
}

}  // namespace
}  // namespace sonaflux
