#include "ui/skinned_button.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

TEST(AutoGreyPicture, TruncatesTheWeightedSumAndKeepsTheTransparentColour) {
  struct Row {
    QRgb in;
    int grey;  // -1: left unchanged
  };
  // 0.299 R + 0.587 G + 0.114 B worked out by hand.
  const Row rows[] = {
      {qRgb(255, 255, 255), 255},  // exactly 255, no rounding down to 254
      {qRgb(0, 0, 0), 0},
      {qRgb(255, 0, 0), 76},       // 76.245
      {qRgb(0, 255, 0), 149},      // 149.685
      {qRgb(0, 0, 255), 29},       // 29.07
      {qRgb(100, 150, 200), 140},  // 29.9 + 88.05 + 22.8 = 140.75
      {qRgb(254, 0, 255), 105},    // next to magenta: 75.946 + 29.07
      {qRgb(3, 3, 3), 3},
      {kMagenta, -1},
  };
  QImage picture(std::size(rows), 1, QImage::Format_RGB32);
  for (int x = 0; x < static_cast<int>(std::size(rows)); ++x) picture.setPixel(x, 0, rows[x].in);

  QImage grey = autoGreyPicture(picture, kMagenta);
  for (int x = 0; x < static_cast<int>(std::size(rows)); ++x) {
    SCOPED_TRACE(x);
    const QRgb expected = rows[x].grey < 0 ? rows[x].in : qRgb(rows[x].grey, rows[x].grey, rows[x].grey);
    EXPECT_EQ(grey.pixel(x, 0) & 0xFFFFFFu, expected & 0xFFFFFFu);
  }
}

TEST(MaskedPicture, HidesOnlyTheTransparentColour) {
  QImage picture(3, 1, QImage::Format_RGB32);
  picture.setPixel(0, 0, kMagenta);
  picture.setPixel(1, 0, qRgb(254, 0, 255));
  picture.setPixel(2, 0, qRgb(0, 0, 0));
  QImage masked = maskedPicture(picture, kMagenta);
  EXPECT_EQ(masked.pixel(0, 0), 0x00000000u);
  EXPECT_EQ(masked.pixel(1, 0), qRgba(254, 0, 255, 255));
  EXPECT_EQ(masked.pixel(2, 0), qRgba(0, 0, 0, 255));
}

// A 10x6 picture: a magenta frame one pixel wide around pure red.
QString writeFramedPicture(const test::TempFolder& folder) {
  QImage picture(10, 6, QImage::Format_RGB32);
  picture.fill(kMagenta);
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 9; ++x) picture.setPixel(x, y, qRgb(255, 0, 0));
  const QString path = QString::fromStdString(folder.file("framed.png"));
  picture.save(path);
  return path;
}

TEST(SkinnedButton, DrawsGreyAtRestColouredWhenHoveredOrPressedAndNeverMagenta) {
  test::TempFolder folder;
  QWidget parent;
  parent.setFixedSize(40, 30);
  parent.setAutoFillBackground(true);
  QPalette colours = parent.palette();
  colours.setColor(QPalette::Window, QColor(0, 0, 255));
  parent.setPalette(colours);

  SkinnedButton button(&parent);
  ASSERT_EQ(button.setPictures(writeFramedPicture(folder), kMagenta), SkinnedButton::kPicturesSet);
  button.setDrawTransparent(true);
  button.setDrawBorder(false);
  button.sizeToContent();
  button.move(10, 10);
  EXPECT_EQ(button.size(), QSize(10, 6));
  parent.show();

  enum class State { Rest, Hovered, Pressed };
  struct Row {
    State state;
    QRgb inside;
    QPoint shift;
  };
  const Row rows[] = {
      {State::Rest, qRgb(76, 76, 76), {0, 0}},
      {State::Hovered, qRgb(255, 0, 0), {0, 0}},
      {State::Pressed, qRgb(255, 0, 0), {1, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.state));
    if (row.state == State::Hovered) {
      QEnterEvent enter(QPointF(5, 3), QPointF(15, 13), QPointF(15, 13));
      QCoreApplication::sendEvent(&button, &enter);
    }
    button.setDown(row.state == State::Pressed);
    EXPECT_EQ(button.isHovered(), row.state == State::Hovered);

    const QImage shot = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = QPoint(10, 10) + row.shift;
    EXPECT_EQ(shot.pixel(origin + QPoint(1, 1)) & 0xFFFFFFu, row.inside & 0xFFFFFFu);
    EXPECT_EQ(shot.pixel(origin + QPoint(8, 4)) & 0xFFFFFFu, row.inside & 0xFFFFFFu);
    // The frame lets the parent show through.
    EXPECT_EQ(shot.pixel(origin) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(shot.pixel(origin + QPoint(9, 5)) & 0xFFFFFFu, 0x0000FFu);
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) ASSERT_NE(shot.pixel(x, y) & 0xFFFFFFu, kMagenta & 0xFFFFFFu);

    if (row.state == State::Hovered) {
      QEvent leave(QEvent::Leave);
      QCoreApplication::sendEvent(&button, &leave);
      EXPECT_FALSE(button.isHovered());
    }
  }
}

TEST(SkinnedButton, KeepsNoPicturesWhenOneCannotBeRead) {
  test::TempFolder folder;
  SkinnedButton button;
  const QString good = writeFramedPicture(folder);
  const QString missing = QString::fromStdString(folder.file("missing.png"));
  EXPECT_EQ(button.setPictures(missing, kMagenta), SkinnedButton::kPictureUnreadable);
  EXPECT_EQ(button.setPictures(good, kMagenta, SkinnedButton::OutPicture::Other, missing),
            SkinnedButton::kPictureUnreadable);
  button.resize(20, 20);
  button.sizeToContent();
  EXPECT_EQ(button.size(), QSize(20, 20));
  EXPECT_TRUE(button.setCursorPicture(missing, {0, 0}));
}

}  // namespace
}  // namespace sonaflux
