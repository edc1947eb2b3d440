#include "ui/output_text_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "tests/ui/modal.h"

namespace sonaflux {
namespace {

using test::child;

TEST(OutputTextWindow, OkStoresTheEditedTitleAndEverythingElseStartsNoJob) {
  enum Action { ClickOk, PressEnter, ClickCancel, PressEscape };
  struct Row {
    const char* why;
    std::string title;
    std::optional<QString> typed;  // nothing: leave the text as it is
    Action action;
    bool accepted;
    std::string expectedTitle;
  };
  const Row rows[] = {
      {"OK takes the edited text", "Artist - Song", QStringLiteral("My song"), ClickOk, true, "My song"},
      {"Enter is OK", "Artist - Song", QStringLiteral("Typed"), PressEnter, true, "Typed"},
      {"OK with an empty box stores an empty title", "Artist - Song", QString(), ClickOk, true, ""},
      {"an untouched title keeps its UTF-8 bytes", "Ærø – Übermut ♪", std::nullopt, ClickOk, true,
       "Ærø – Übermut ♪"},
      {"markup is kept as typed", "x", QStringLiteral("<b>A & B</b>"), ClickOk, true, "<b>A & B</b>"},
      {"Cancel keeps the title", "Artist - Song", QStringLiteral("Changed"), ClickCancel, false, "Artist - Song"},
      {"Escape acts like Cancel", "Artist - Song", QStringLiteral("Changed"), PressEscape, false,
       "Artist - Song"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    test::RecordingHost host;
    AppContext ctx(host);
    ctx.inputs.inputTitle = row.title;
    ctx.inputs.inputCheckFailed = row.accepted;
    test::whenModalOpens([&](QWidget& window) {
      test::grabIfAsked(window, "output_text_window");
      QLineEdit& edit = child<QLineEdit>(window, "outputText");
      EXPECT_EQ(edit.text().toStdString(), row.title);
      if (row.typed) {
        edit.clear();
        QTest::keyClicks(&edit, *row.typed);
      }
      switch (row.action) {
        case ClickOk: QTest::mouseClick(&child<QPushButton>(window, "ok"), Qt::LeftButton); break;
        case PressEnter: QTest::keyClick(&edit, Qt::Key_Return); break;
        case ClickCancel: QTest::mouseClick(&child<QPushButton>(window, "cancel"), Qt::LeftButton); break;
        case PressEscape: QTest::keyClick(&edit, Qt::Key_Escape); break;
      }
    });
    EXPECT_EQ(runOutputText(ctx, nullptr), row.accepted);
    EXPECT_EQ(ctx.inputs.inputTitle, row.expectedTitle);
    EXPECT_EQ(ctx.inputs.inputCheckFailed, !row.accepted);
  }
}

}  // namespace
}  // namespace sonaflux
