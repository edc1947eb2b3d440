#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "ui/coloured_edit.h"
#include "ui/coloured_label.h"
#include "ui/skinned_button.h"

namespace sonaflux {
namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

QRgb rgb(const QImage& image, QPoint at) { return image.pixel(at) & 0xFFFFFFu; }

TEST(SkinnedPictures, GreyTruncatesTheWeightedSumAndOnlyTheTransparentColourIsHidden) {
  // 0.299 R + 0.587 G + 0.114 B worked out by hand; -1: left unchanged.
  const std::pair<QRgb, int> rows[] = {
      {qRgb(255, 255, 255), 255},  // exactly 255, no rounding down to 254
      {qRgb(0, 0, 0), 0},          {qRgb(255, 0, 0), 76},  // 76.245
      {qRgb(0, 255, 0), 149},      // 149.685
      {qRgb(0, 0, 255), 29},       // 29.07
      {qRgb(100, 150, 200), 140},  // 29.9 + 88.05 + 22.8 = 140.75
      {qRgb(254, 0, 255), 105},    // next to magenta: 75.946 + 29.07
      {qRgb(3, 3, 3), 3},          {kMagenta, -1},
  };
  QImage picture(std::size(rows), 1, QImage::Format_RGB32);
  for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, 0, rows[x].first);
  const QImage grey = autoGreyPicture(picture, kMagenta);
  const QImage masked = maskedPicture(picture, kMagenta);
  for (int x = 0; x < picture.width(); ++x) {
    const auto [in, g] = rows[x];
    EXPECT_EQ(rgb(grey, {x, 0}), g < 0 ? in & 0xFFFFFFu : qRgb(g, g, g) & 0xFFFFFFu) << x;
    EXPECT_EQ(masked.pixel(x, 0), in == kMagenta ? 0u : in) << x;
  }
}

TEST(SkinnedButton, DrawsGreyAtRestColouredWhenHoveredOrPressedAndNeverMagenta) {
  // A 10x6 picture: a magenta frame one pixel wide around pure red.
  test::TempFolder folder;
  QImage framed(10, 6, QImage::Format_RGB32);
  framed.fill(kMagenta);
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 9; ++x) framed.setPixel(x, y, qRgb(255, 0, 0));
  const QString path = QString::fromStdString(folder.file("framed.png"));
  framed.save(path);

  QWidget parent;
  parent.setFixedSize(40, 30);
  parent.setAutoFillBackground(true);
  QPalette colours = parent.palette();
  colours.setColor(QPalette::Window, QColor(0, 0, 255));
  parent.setPalette(colours);
  SkinnedButton button(&parent);
  ASSERT_EQ(button.setPictures(path, kMagenta), SkinnedButton::kPicturesSet);
  button.setDrawTransparent(true);
  button.setDrawBorder(false);
  button.sizeToContent();
  button.move(10, 10);
  EXPECT_EQ(button.size(), QSize(10, 6));
  parent.show();

  enum State { Rest, Hovered, Pressed };
  const std::tuple<State, QRgb, QPoint> rows[] = {
      {Rest, qRgb(76, 76, 76), {0, 0}}, {Hovered, qRgb(255, 0, 0), {0, 0}}, {Pressed, qRgb(255, 0, 0), {1, 1}}};
  for (const auto& [state, inside, shift] : rows) {
    SCOPED_TRACE(state);
    if (state == Hovered) {
      QEnterEvent enter(QPointF(5, 3), QPointF(15, 13), QPointF(15, 13));
      QCoreApplication::sendEvent(&button, &enter);
    }
    button.setDown(state == Pressed);
    EXPECT_EQ(button.isHovered(), state == Hovered);
    const QImage shot = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = QPoint(10, 10) + shift;
    EXPECT_EQ(rgb(shot, origin + QPoint(1, 1)), inside & 0xFFFFFFu);
    EXPECT_EQ(rgb(shot, origin + QPoint(8, 4)), inside & 0xFFFFFFu);
    // The magenta frame lets the parent show through.
    EXPECT_EQ(rgb(shot, origin), 0x0000FFu);
    EXPECT_EQ(rgb(shot, origin + QPoint(9, 5)), 0x0000FFu);
    if (state == Hovered) {
      QEvent leave(QEvent::Leave);
      QCoreApplication::sendEvent(&button, &leave);
      EXPECT_FALSE(button.isHovered());
    }
  }
}

// Only a label or a read-only box shows its own text colour; an editable box
// keeps the platform's. All take the background and the font.
TEST(ColouredControls, OnlyALabelOrAReadOnlyBoxShowsItsOwnTextColour) {
  ColouredLabel label;
  ColouredEdit edit, readOnly;
  readOnly.setReadOnly(true);
  auto style = [](auto& control) {
    control.setText(QStringLiteral("WWWW"));
    control.setTextColour(QColor(255, 0, 0));
    control.setBackgroundColour(QColor(255, 255, 0));
    control.setFaceName(QStringLiteral("Arial"));
    control.setCharacterHeight(20);
    control.resize(160, 32);
  };
  style(label);
  style(edit);
  style(readOnly);
  const std::pair<QWidget*, bool> rows[] = {{&label, true}, {&edit, false}, {&readOnly, true}};
  for (const auto& [control, ownColour] : rows) {
    const QImage shot = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) red += qRed(shot.pixel(x, y)) > 200 && qGreen(shot.pixel(x, y)) < 60;
    EXPECT_EQ(red > 20, ownColour);
    EXPECT_EQ(rgb(shot, {shot.width() - 8, shot.height() / 2}), 0xFFFF00u);
    EXPECT_EQ(control->font().pixelSize(), 20);  // a height in pixels, not points
    EXPECT_EQ(QFontInfo(control->font()).family().toStdString(), "Liberation Sans");
  }
}

}  // namespace
}  // namespace sonaflux
