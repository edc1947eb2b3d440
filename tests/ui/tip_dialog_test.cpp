#include "ui/tip_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

#include "settings/parameters_file.h"
#include "settings/tips_file.h"
#include "tests/support/program_copy.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/ui/modal.h"

namespace sonaflux {
namespace {

using test::child;

struct TipWindowFixture {
  test::TempFolder program;
  test::RecordingHost host;
  AppContext ctx{host};

  TipWindowFixture() {
    ctx.paths.programFolder = program.path();
    ctx.settings = test::testSettings(program.path());
  }
  SettingsRecord onDisk() const {
    std::optional<SettingsRecord> s = decodeParameters(test::readFileText(program.file("snx.da0")));
    if (!s) ADD_FAILURE() << "no parameters file";
    return s.value_or(SettingsRecord{});
  }
};

std::string tipsText(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "Tip number " + std::to_string(i) + ".\r\n";
  return text;
}

TEST(TipWindow, StepsThroughTheTipsAndSavesEveryStep) {
  enum Step { Open, Next, Previous };
  struct Shown {
    Step step;
    std::int32_t number;
    std::string text;
  };
  struct Row {
    const char* why;
    std::optional<std::string> tips;  // nothing: no tips file
    std::int32_t startNumber;
    std::vector<Shown> steps;
  };
  const Row rows[] = {
      {"opening after the last tip wraps to the first", tipsText(12), 12, {{Open, 1, "Tip number 1."}}},
      {"back from the first tip to the last and forward again",
       tipsText(12),
       0,
       {{Open, 1, "Tip number 1."}, {Previous, 12, "Tip number 12."}, {Next, 1, "Tip number 1."}}},
      {"forward through the middle",
       tipsText(3),
       1,
       {{Open, 2, "Tip number 2."}, {Next, 3, "Tip number 3."}, {Previous, 2, "Tip number 2."}}},
      {"an empty file counts down past zero and back",
       std::string(),
       0,
       {{Open, 1, ""}, {Previous, 0, ""}, {Previous, -1, ""}, {Next, 0, ""}}},
      {"without a tips file every step shows tip 1 empty", std::nullopt, 5, {{Open, 1, ""}, {Previous, 1, ""}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TipWindowFixture f;
    if (row.tips) test::writeFileText(f.program.file("tips.da0"), *row.tips);
    f.ctx.settings.nextTipNumber = row.startNumber;
    test::whenModalOpens([&](QWidget& window) {
      test::grabIfAsked(window, "tip_window");
      for (const Shown& shown : row.steps) {
        if (shown.step == Next) QTest::mouseClick(&child<QPushButton>(window, "nextTip"), Qt::LeftButton);
        if (shown.step == Previous) QTest::mouseClick(&child<QPushButton>(window, "previousTip"), Qt::LeftButton);
        EXPECT_EQ(child<QLabel>(window, "tipText").text().toStdString(), shown.text);
        EXPECT_EQ(f.ctx.settings.nextTipNumber, shown.number);
        EXPECT_EQ(f.onDisk().nextTipNumber, shown.number);
      }
      QTest::mouseClick(&child<QPushButton>(window, "ok"), Qt::LeftButton);
    });
    runTipOfTheDay(f.ctx, nullptr);
    EXPECT_TRUE(f.host.terminations.empty());
  }
}

TEST(TipWindow, EveryInstalledTipFitsItsPlace) {
  TipWindowFixture f;
  const std::string tips = test::readFileText(test::sourceFolder() + "data/tips.da0");
  test::writeFileText(f.program.file("tips.da0"), tips);
  const std::int32_t count = pickTip(tips, 0).number;
  ASSERT_GT(count, 1);
  f.ctx.settings.nextTipNumber = 0;
  test::whenModalOpens([&](QWidget& window) {
    QLabel& text = child<QLabel>(window, "tipText");
    for (std::int32_t shown = 1; shown <= count; ++shown) {
      EXPECT_FALSE(text.text().isEmpty()) << "tip " << shown;
      EXPECT_LE(text.heightForWidth(text.width()), text.height()) << "tip " << shown << " is cut off";
      QTest::mouseClick(&child<QPushButton>(window, "nextTip"), Qt::LeftButton);
    }
    EXPECT_EQ(f.ctx.settings.nextTipNumber, 1);
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  runTipOfTheDay(f.ctx, nullptr);
}

TEST(TipWindow, ShowsAndSavesTheStartupChoice) {
  TipWindowFixture f;
  test::writeFileText(f.program.file("tips.da0"), tipsText(2));
  f.ctx.settings.showTipsAtStartup = true;
  test::whenModalOpens([&](QWidget& window) {
    QCheckBox& box = child<QCheckBox>(window, "showAtStartup");
    // On the tick box itself: the widget is wider than its label.
    auto clickBox = [&box] { QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2)); };
    EXPECT_TRUE(box.isChecked());
    clickBox();
    EXPECT_FALSE(f.onDisk().showTipsAtStartup);
    clickBox();
    EXPECT_TRUE(f.onDisk().showTipsAtStartup);
    clickBox();
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  runTipOfTheDay(f.ctx, nullptr);
  EXPECT_FALSE(f.ctx.settings.showTipsAtStartup);
  EXPECT_FALSE(f.onDisk().showTipsAtStartup);
}

TEST(TipWindow, EndsTheProgramWhenTheSettingsCannotBeSaved) {
  TipWindowFixture f;
  f.ctx.paths.programFolder = f.program.file("missing/");
  test::whenModalOpens([&](QWidget& window) { QTest::keyClick(&window, Qt::Key_Escape); });
  runTipOfTheDay(f.ctx, nullptr);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot write to parameters file."});
  EXPECT_EQ(f.host.terminations, std::vector<int>{1});
}

}  // namespace
}  // namespace sonaflux
