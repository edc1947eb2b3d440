#include <gtest/gtest.h>
#include <QImage>
#include <algorithm>
#include <cmath>

namespace sonaflux {
namespace {

double luminance(QRgb p) {
  auto linear = [](int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(qRed(p)) + 0.7152 * linear(qGreen(p)) + 0.0722 * linear(qBlue(p));
}

// Luminance 0.18 keeps the window's white text at a contrast of at least 4.6 to 1 anywhere.
TEST(Artwork, BackgroundStaysDarkUnderTheWindowsWhiteText) {
  // As the program has it: built into it as a resource.
  const QImage png(QStringLiteral(":/artwork/background.png"));
  ASSERT_FALSE(png.isNull());
  double brightest = 0;
  for (int y = 0; y < png.height(); ++y)
    for (int x = 0; x < png.width(); ++x) brightest = std::max(brightest, luminance(png.pixel(x, y)));
  EXPECT_LE(brightest, 0.18);
}

}  // namespace
}  // namespace sonaflux
