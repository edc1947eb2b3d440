#include <QImage>
#include <gtest/gtest.h>

#include "ui/coloured_edit.h"
#include "ui/coloured_label.h"

namespace sonaflux {
namespace {

template <class Control>
void configure(Control& control) {
  control.setText(QStringLiteral("WWWW"));
  control.setTextColour(QColor(255, 0, 0));
  control.setBackgroundColour(QColor(255, 255, 0));
  control.setFaceName(QStringLiteral("Arial"));
  control.setCharacterHeight(20);
  control.setBold(true);
  control.resize(160, 32);
}

int redPixels(QWidget& control) {
  const QImage shot = control.grab().toImage().convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      count += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
    }
  return count;
}

// Only a label shows its own text colour; an editable box keeps the
// platform's, but both take the background and the font.
TEST(ColouredControls, LabelTakesTheTextColourEditableBoxKeepsThePlatforms) {
  ColouredLabel label;
  ColouredEdit edit;
  ColouredEdit readOnly;
  readOnly.setReadOnly(true);
  configure(label);
  configure(edit);
  configure(readOnly);

  EXPECT_GT(redPixels(label), 20);
  EXPECT_EQ(redPixels(edit), 0);
  EXPECT_GT(redPixels(readOnly), 20);
  for (QWidget* control : {static_cast<QWidget*>(&label), static_cast<QWidget*>(&edit)}) {
    const QImage shot = control->grab().toImage();
    EXPECT_EQ(shot.pixel(shot.width() - 8, shot.height() / 2) & 0xFFFFFFu, 0xFFFF00u);
    EXPECT_EQ(control->font().pixelSize(), 20);
    EXPECT_TRUE(control->font().bold());
    EXPECT_EQ(QFontInfo(control->font()).family().toStdString(), "Liberation Sans");
  }
}

}  // namespace
}  // namespace sonaflux
