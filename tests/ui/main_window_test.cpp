#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

#include "tests/support/test_paths.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/gui_host.h"
#include "ui/skinned_button.h"

namespace sonaflux {
namespace {

TEST(MainWindowShape, CutsEachCornerByAQuarterEllipseOnlyWhenAsked) {
  struct Row {
    QPoint point;
    bool inRounded;
  };
  // Pixel centres against the ellipses' centres (45, 45) and (405, 305),
  // radius 45: pixel (12, 12) lies 45.96 away, (14, 14) 43.13 away.
  const Row rows[] = {
      {{0, 0}, false},     {{12, 12}, false},  {{14, 14}, true},    {{449, 0}, false},
      {{0, 349}, false},   {{449, 349}, false}, {{437, 337}, false}, {{435, 335}, true},
      {{225, 0}, true},    {{0, 175}, true},    {{449, 175}, true},  {{225, 349}, true},
      {{45, 0}, true},     {{0, 45}, true},     {{450, 175}, false}, {{225, 350}, false},
  };
  const QRegion rounded = mainWindowShape(true);
  const QRegion plain = mainWindowShape(false);
  EXPECT_EQ(plain, QRegion(0, 0, 450, 350));
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.point.x() << "," << row.point.y());
    EXPECT_EQ(rounded.contains(row.point), row.inRounded);
  }
  EXPECT_EQ(rounded.boundingRect(), QRect(0, 0, 450, 350));
}

// A main window over a private program folder.
class MainWindowTest : public testing::Test, public test::GuiFixture {
 protected:
  MainWindow& open() {
    window.emplace(ctx, host);
    host.setOwner(&*window);
    window->show();
    return *window;
  }

  std::optional<MainWindow> window;
};

std::vector<SkinnedButton*> allButtons(MainWindow& w) {
  return {w.minimiseButton(), w.closeButton(),  w.helpButton(), w.browseButton(),
          w.optionsButton(),  w.createButton(), w.exitButton()};
}

TEST_F(MainWindowTest, KeysAndButtonsEndTheProgramOrSayWhatIsMissing) {
  const std::string empty = "Error: Please select an input MP3 or WAV file first.";
  struct Row {
    const char* how;
    std::function<void(MainWindow&)> act;
    std::optional<int> exitCode;
    std::string message;
  };
  const Row rows[] = {
      {"Escape", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, 0, ""},
      {"Escape in the box", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Escape); }, 0, ""},
      {"Close", [](MainWindow& w) { w.closeButton()->click(); }, 0, ""},
      {"Exit", [](MainWindow& w) { w.exitButton()->click(); }, 0, ""},
      {"close request", [](MainWindow& w) { w.close(); }, 0, ""},
      {"Create", [](MainWindow& w) { w.createButton()->click(); }, std::nullopt, empty},
      {"Enter in the box", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Return); }, std::nullopt,
       empty},
      {"Enter", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Enter); }, std::nullopt, empty},
      {"Help without its page", [](MainWindow& w) { w.helpButton()->click(); }, std::nullopt,
       "Error: Could not launch help file."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    exitCode.reset();
    messages.clear();
    row.act(open());
    EXPECT_EQ(exitCode, row.exitCode);
    if (row.message.empty()) {
      EXPECT_TRUE(messages.empty());
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, row.message);
      EXPECT_EQ(messages[0].icon, MessageIcon::Exclamation);
    }
    EXPECT_FALSE(ctx.job.jobStarted);
  }
}

TEST_F(MainWindowTest, CreateChecksATypedPathExactlyAsTyped) {
  MainWindow& w = open();
  const std::string typed = output.file("no such file.mp3");
  QTest::keyClicks(w.fileNameBox(), QString::fromStdString(typed));
  w.createButton()->click();
  EXPECT_EQ(ctx.inputs.inputPath, typed);
  EXPECT_TRUE(ctx.inputs.inputCheckFailed);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("\"" + typed + "\""), std::string::npos) << messages[0].text;
  EXPECT_EQ(w.fileNameBox()->text().toStdString(), typed);
}

TEST_F(MainWindowTest, BrowseStartsAtTheDesktopThenAtTheLastChosenFile) {
  test::TempFolder music;
  const std::string chosen = music.file("tune.mp3");
  test::writeFileText(chosen, "not really music");
  MainWindow& w = open();
  struct Row {
    std::string startsIn;
    bool choose;
  };
  const Row rows[] = {{output.path(), true}, {music.path(), false}, {music.path(), true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.startsIn);
    std::string seenFolder, seenTitle, seenFilter;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      seenFolder = dialog->directory().absolutePath().toStdString() + "/";
      seenTitle = dialog->windowTitle().toStdString();
      seenFilter = dialog->nameFilters().join(QLatin1Char(';')).toStdString();
      if (!row.choose) return dialog->reject();
      dialog->selectFile(QString::fromStdString(chosen));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    w.browseButton()->click();
    EXPECT_EQ(seenFolder, row.startsIn);
    EXPECT_EQ(seenTitle, "Sonaflux - Select a file");
    EXPECT_EQ(seenFilter, "MP3 or WAV files (*.mp3 *.wav)");
    EXPECT_EQ(w.fileNameBox()->text().toStdString(), chosen);
    EXPECT_EQ(w.browseStartPath(), chosen);
  }
}

TEST_F(MainWindowTest, TakesItsShapeFromTheRoundCornersSetting) {
  for (bool round : {true, false}) {
    SCOPED_TRACE(round);
    ctx.settings.roundCorners = round;
    MainWindow& w = open();
    const QRegion shape = w.mask().isEmpty() ? QRegion(w.rect()) : w.mask();
    EXPECT_EQ(shape, mainWindowShape(round));
    EXPECT_EQ(shape.contains(QPoint(0, 0)), !round);
  }
}

QImage grabbed(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int countPixels(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu);
  return count;
}

TEST_F(MainWindowTest, NeverDrawsTheButtonsTransparentColour) {
  const QRgb magenta = qRgb(255, 0, 255);
  for (const char* name : {"help", "browse", "options", "create", "exit", "minimise", "close"}) {
    SCOPED_TRACE(name);
    QImage picture(QStringLiteral(":/artwork/%1.png").arg(QLatin1String(name)));
    ASSERT_FALSE(picture.isNull());
    ASSERT_GT(countPixels(picture.convertToFormat(QImage::Format_RGB32), magenta), 0);
  }
  ctx.settings.backgroundPicture = true;
  MainWindow& w = open();
  EXPECT_EQ(countPixels(grabbed(w), magenta), 0) << "at rest";
  for (SkinnedButton* button : allButtons(w)) {
    SCOPED_TRACE(button->objectName().toStdString());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(button, &enter);
    ASSERT_TRUE(button->isHovered());
    EXPECT_EQ(countPixels(grabbed(w), magenta), 0) << "hovered";
    button->setDown(true);
    EXPECT_EQ(countPixels(grabbed(w), magenta), 0) << "pressed";
    button->setDown(false);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
  }
}

TEST_F(MainWindowTest, KeepsTheBackgroundSettingItStartedWith) {
  ctx.settings.backgroundPicture = true;
  MainWindow& w = open();
  const QImage withPicture = grabbed(w);
  ctx.settings.backgroundPicture = false;
  w.update();
  EXPECT_EQ(grabbed(w), withPicture);

  const QImage plain = grabbed(open());
  EXPECT_NE(plain.pixel(225, 340), withPicture.pixel(225, 340));
  ctx.settings.backgroundPicture = true;
  window->update();
  EXPECT_EQ(grabbed(*window), plain);
}

TEST_F(MainWindowTest, EveryButtonHasItsTooltipTheHandAndASoundOnlyWhenSoundsAreOn) {
  const char* tooltips[] = {"Minimizes the program",      "Exits the program",
                            "Loads the help window",      "Browses for an input file",
                            "Goes to the options window", "Creates the streaming audio",
                            "Exits the program"};
  for (bool sounds : {false, true}) {
    SCOPED_TRACE(sounds);
    ctx.settings.buttonSounds = sounds;
    const std::vector<SkinnedButton*> buttons = allButtons(open());
    for (size_t i = 0; i < buttons.size(); ++i) {
      SCOPED_TRACE(tooltips[i]);
      EXPECT_EQ(buttons[i]->toolTip().toStdString(), tooltips[i]);
      EXPECT_EQ(buttons[i]->cursor().shape(), Qt::BitmapCursor);
      EXPECT_EQ(buttons[i]->cursor().hotSpot(), QPoint(9, 1));
      EXPECT_EQ(buttons[i]->hasClickSound(), sounds);
    }
  }
}

TEST_F(MainWindowTest, ShowsTheTipOfTheDayOnceAfterTheFirstPaintOnlyWhenAsked) {
  std::filesystem::copy_file(test::programFolder() + "tips.da0", program.file("tips.da0"));
  for (bool tips : {false, true}) {
    SCOPED_TRACE(tips);
    ctx.settings.showTipsAtStartup = tips;
    int shown = 0;
    bool paintedFirst = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal->objectName() != QLatin1String("tipWindow")) return;
      ++shown;
      paintedFirst = window->startupTipsShown();
      modal->findChild<QAbstractButton*>(QStringLiteral("ok"))->click();
    });
    answer.start(10);
    MainWindow& w = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.startupTipsShown(); }));
    QCoreApplication::processEvents();
    w.repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, tips ? 1 : 0);
    EXPECT_EQ(paintedFirst, tips);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, DragsByAnyPointThatIsNotAControl) {
  MainWindow& w = open();
  w.move(100, 100);
  auto drag = [&w](QWidget* target, QPoint from, QPoint by) {
    const QPoint global = target->mapToGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(global), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(from + by), QPointF(global + by), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(from + by), QPointF(global + by), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
    return w.pos();
  };
  EXPECT_EQ(drag(&w, {200, 20}, {30, 40}), QPoint(130, 140));
  EXPECT_EQ(drag(&w, {10, 340}, {-5, 7}), QPoint(125, 147));
  // A press on a button is the button's, not a drag.
  EXPECT_EQ(drag(w.optionsButton(), {5, 5}, {50, 50}), QPoint(125, 147));
}

}  // namespace
}  // namespace sonaflux
