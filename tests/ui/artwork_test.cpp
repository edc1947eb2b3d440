#include <gtest/gtest.h>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <string>

namespace sonaflux {
namespace {

// The pictures as the program has them: built into it as resources.
QImage picture(const std::string& name) {
  QImage image(QStringLiteral(":/artwork/") + QString::fromStdString(name));
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

class ButtonPicture : public ::testing::TestWithParam<std::string> {};

// The window cuts buttons out along exact magenta: a pixel close to it would show as a fringe.
TEST_P(ButtonPicture, HasNoPinkFringe) {
  const QImage png = picture(GetParam() + ".png");
  EXPECT_TRUE(isMagenta(png.pixel(0, 0)));
  for (int y = 0; y < png.height(); ++y) {
    for (int x = 0; x < png.width(); ++x) {
      const QRgb p = png.pixel(x, y);
      EXPECT_FALSE(nearMagenta(p) && !isMagenta(p)) << "near-magenta pixel at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Artwork, ButtonPicture,
                         ::testing::Values("help", "browse", "options", "create", "exit", "minimise", "close"));

// Luminance 0.18 keeps the window's white text at a contrast of at least 4.6 to 1 anywhere.
TEST(Artwork, BackgroundStaysDarkUnderTheWindowsWhiteText) {
  const QImage png = picture("background.png");
  double brightest = 0;
  for (int y = 0; y < png.height(); ++y)
    for (int x = 0; x < png.width(); ++x) brightest = std::max(brightest, luminance(png.pixel(x, y)));
  EXPECT_LE(brightest, 0.18);
}

}  // namespace
}  // namespace sonaflux
