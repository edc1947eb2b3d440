#include "ui/message_window.h"

#include <QLabel>
#include <gtest/gtest.h>

#include "tests/ui/modal.h"

namespace sonaflux {
namespace {

TEST(MessageWindow, ShowsItsLineAtOnceAndCentresOverAnotherWindow) {
  QWidget owner;
  owner.setGeometry(200, 150, 450, 350);
  owner.show();
  MessageWindow message(QStringLiteral("Generating preview..."));
  EXPECT_TRUE(message.isVisible());
  EXPECT_EQ(message.windowTitle(), QStringLiteral("Working..."));
  EXPECT_EQ(message.parentWidget(), nullptr);
  message.centreOn(owner);
  const QPoint offset = message.frameGeometry().center() - owner.frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();

  message.setText(QStringLiteral("Writing the preview page..."));
  EXPECT_EQ(message.text(), QStringLiteral("Writing the preview page..."));
  // The line fits its place in the window's font.
  const QLabel* line = message.findChild<QLabel*>();
  ASSERT_NE(line, nullptr);
  EXPECT_LE(line->fontMetrics().horizontalAdvance(message.text()), line->width());
  EXPECT_LE(line->fontMetrics().height(), line->height());
  test::grabIfAsked(message, "message_window");
}

}  // namespace
}  // namespace sonaflux
