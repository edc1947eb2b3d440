#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

#include "settings/tips_file.h"
#include "tests/support/test_paths.h"
#include "tests/ui/gui_fixture.h"
#include "ui/folder_picker.h"
#include "ui/message_window.h"
#include "ui/output_text_dialog.h"
#include "ui/tip_dialog.h"

namespace sonaflux {
namespace {

using test::child;
using test::click;

// Every step is saved at once: the tip's number and the show-at-startup box.
TEST(TipWindow, StepsThroughTheTipsAndSavesEveryStep) {
  test::GuiFixture f;
  std::string tips;
  for (int i = 1; i <= 12; ++i) tips += "Tip number " + std::to_string(i) + ".\r\n";
  test::writeFileText(f.program.file("tips.da0"), tips);
  f.ctx.settings.nextTipNumber = 0;
  f.ctx.settings.showTipsAtStartup = true;
  auto onDisk = [&f] {
    return decodeParameters(test::readFileText(f.program.file("snx.da0"))).value_or(SettingsRecord{});
  };
  // Back from the first tip to the last and forward again, the box off and on.
  enum Step { Open, Next, Previous, Box };
  const std::tuple<Step, std::int32_t, std::string> steps[] = {
      {Open, 1, "Tip number 1."}, {Previous, 12, "Tip number 12."}, {Next, 1, "Tip number 1."}, {Box, 1, ""},
      {Next, 2, "Tip number 2."}, {Box, 2, ""}, {Previous, 1, "Tip number 1."}, {Box, 1, ""}};
  bool shown = true;
  test::ModalAnswerer answer([&](QWidget& window) {
    QCheckBox& box = child<QCheckBox>(window, "showAtStartup");
    for (const auto& [step, number, text] : steps) {
      if (step == Next) click(window, "nextTip");
      if (step == Previous) click(window, "previousTip");
      if (step == Box) {
        // On the tick box itself: the widget is wider than its label.
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
        shown = !shown;
      } else {
        EXPECT_EQ(child<QLabel>(window, "tipText").text().toStdString(), text);
      }
      EXPECT_EQ(box.isChecked(), shown);
      EXPECT_EQ(onDisk().showTipsAtStartup, shown);
      EXPECT_EQ(onDisk().nextTipNumber, number);
    }
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  runTipOfTheDay(f.ctx, nullptr);
  EXPECT_EQ(f.ctx.settings.nextTipNumber, 1);
  EXPECT_FALSE(f.ctx.settings.showTipsAtStartup);
  EXPECT_FALSE(onDisk().showTipsAtStartup);
  EXPECT_FALSE(f.exitCode);
}

TEST(TipWindow, EveryInstalledTipFitsItsPlace) {
  test::GuiFixture f;
  std::filesystem::copy_file(test::sourceFolder() + "data/tips.da0", f.program.file("tips.da0"));
  const std::int32_t count = pickTip(test::readFileText(f.program.file("tips.da0")), 0).number;
  ASSERT_GT(count, 1);
  f.ctx.settings.nextTipNumber = 0;
  test::ModalAnswerer answer([&](QWidget& window) {
    QLabel& text = child<QLabel>(window, "tipText");
    for (std::int32_t shown = 1; shown <= count; ++shown, click(window, "nextTip")) {
      EXPECT_FALSE(text.text().isEmpty()) << "tip " << shown;
      EXPECT_LE(text.heightForWidth(text.width()), text.height()) << "tip " << shown << " is cut off";
    }
    click(window, "ok");
  });
  runTipOfTheDay(f.ctx, nullptr);
  EXPECT_EQ(f.ctx.settings.nextTipNumber, 1);
}

TEST(TipWindow, EndsTheProgramWhenTheSettingsCannotBeSaved) {
  test::GuiFixture f;
  f.ctx.paths.programFolder = f.program.file("missing/");
  test::ModalAnswerer answer([](QWidget& window) { QTest::keyClick(&window, Qt::Key_Escape); });
  runTipOfTheDay(f.ctx, nullptr);
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "Error: Cannot write to parameters file.");
  EXPECT_EQ(f.exitCode, 1);
}

TEST(OutputTextWindow, OkStoresTheEditedTitleAndEverythingElseStartsNoJob) {
  // The title, what is typed over it (nothing: left as it is), the button
  // clicked or the key pressed, and the title stored.
  const std::tuple<std::string, std::optional<QString>, std::string, std::string> rows[] = {
      {"Artist - Song", QStringLiteral("My song"), "ok", "My song"},
      {"Artist - Song", QStringLiteral("Typed"), "Return", "Typed"},
      {"Artist - Song", QString(), "ok", ""},
      {"Ærø – Übermut ♪", std::nullopt, "ok", "Ærø – Übermut ♪"},  // untouched UTF-8 stays
      {"x", QStringLiteral("<b>A & B</b>"), "ok", "<b>A & B</b>"},
      {"Artist - Song", QStringLiteral("Changed"), "cancel", "Artist - Song"},
      {"Artist - Song", QStringLiteral("Changed"), "Escape", "Artist - Song"},
  };
  for (const auto& [title, typed, how, stored] : rows) {
    SCOPED_TRACE(stored + " " + how);
    const bool accepted = how == "ok" || how == "Return";
    GuiHost host;
    AppContext ctx(host);
    ctx.inputs.inputTitle = title;
    ctx.inputs.inputCheckFailed = accepted;
    test::ModalAnswerer answer([&](QWidget& window) {
      QLineEdit& edit = child<QLineEdit>(window, "outputText");
      EXPECT_EQ(edit.text().toStdString(), title);
      if (typed) {
        edit.clear();
        QTest::keyClicks(&edit, *typed);
      }
      if (how == "ok" || how == "cancel") click(window, how.c_str());
      else QTest::keyClick(&edit, how == "Return" ? Qt::Key_Return : Qt::Key_Escape);
    });
    EXPECT_EQ(runOutputText(ctx, nullptr), accepted);
    EXPECT_EQ(ctx.inputs.inputTitle, stored);
    EXPECT_EQ(ctx.inputs.inputCheckFailed, !accepted);
  }
}

TEST(FolderPicker, GivesTheChosenFolderEndingInOneSeparatorOrNothingOnCancel) {
  for (const auto& [folder, expected] : {std::pair{QStringLiteral("/srv/www"), "/srv/www/"},
                                         {QStringLiteral("/srv/www/"), "/srv/www/"},
                                         {QStringLiteral("/"), "/"},
                                         {QStringLiteral("/home/ann/Sound Files"), "/home/ann/Sound Files/"}})
    EXPECT_EQ(folderWithSeparator(folder), expected);

  test::TempFolder root;
  std::filesystem::create_directory(root.file("Pages"));
  for (bool accept : {true, false}) {
    test::ModalAnswerer answer([&](QWidget& window) {
      auto* dialog = qobject_cast<QFileDialog*>(&window);
      ASSERT_NE(dialog, nullptr);
      dialog->setDirectory(QString::fromStdString(root.file("Pages")));
      if (accept) static_cast<QDialog*>(dialog)->accept();
      else dialog->reject();
    });
    const std::optional<std::string> folder =
        pickFolder(nullptr, QStringLiteral("Choose the output folder"), QString::fromStdString(root.path()));
    EXPECT_EQ(folder, accept ? std::optional(root.file("Pages/")) : std::nullopt);
  }
}

TEST(MessageWindow, ShowsItsLineAtOnceAndCentresOverAnotherWindow) {
  QWidget owner;
  owner.setGeometry(200, 150, 450, 350);
  owner.show();
  MessageWindow message(QStringLiteral("Generating preview..."));
  EXPECT_TRUE(message.isVisible());
  message.centreOn(owner);
  const QPoint offset = message.frameGeometry().center() - owner.frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();

  message.setText(QStringLiteral("Writing the preview page..."));
  // The line fits its place in the window's font.
  const QLabel* line = message.findChild<QLabel*>();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->text(), QStringLiteral("Writing the preview page..."));
  EXPECT_LE(line->fontMetrics().horizontalAdvance(message.text()), line->width());
  EXPECT_LE(line->fontMetrics().height(), line->height());
}

}  // namespace
}  // namespace sonaflux
