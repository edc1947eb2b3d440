#include "ui/main_window.h"

#include <QEnterEvent>
#include <QFileDialog>
#include <QImage>
#include <filesystem>

#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/skinned_button.h"
#include "ui/working_window.h"

namespace sonaflux {
namespace {

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

QImage grabbed(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int magentaPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFFu) == 0xFF00FFu;
  return count;
}

TEST_F(MainWindowTest, CutsEachCornerByAQuarterEllipseOnlyWhenAsked) {
  // Against the ellipses' centres (45, 45) and (405, 305), radius 45:
  // pixel (12, 12) lies 45.96 away, (14, 14) 43.13 away.
  const std::pair<QPoint, bool> inRounded[] = {
      {{0, 0}, false},      {{12, 12}, false},   {{14, 14}, true},    {{449, 0}, false},  {{0, 349}, false},
      {{449, 349}, false},  {{437, 337}, false}, {{435, 335}, true},  {{225, 0}, true},   {{0, 175}, true},
      {{449, 175}, true},   {{45, 0}, true},     {{450, 175}, false}, {{225, 350}, false},
  };
  for (bool round : {true, false}) {
    ctx.settings.roundCorners = round;
    MainWindow& w = open();
    const QRegion shape = w.mask().isEmpty() ? QRegion(w.rect()) : w.mask();
    for (const auto& [point, in] : inRounded)
      EXPECT_EQ(shape.contains(point), round ? in : QRect(0, 0, 450, 350).contains(point)) << round << point.x();
  }
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
      {"Enter in the box", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Return); }, {}, empty},
      {"Enter", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Enter); }, std::nullopt, empty},
      {"Help without its page", [](MainWindow& w) { w.helpButton()->click(); }, {}, "Error: Could not launch help file."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    exitCode.reset();
    messages.clear();
    row.act(open());
    EXPECT_EQ(exitCode, row.exitCode);
    EXPECT_EQ(messages.size(), row.message.empty() ? 0u : 1u);
    for (const Shown& shown : messages)
      EXPECT_EQ(std::pair(shown.text, shown.icon), std::pair(row.message, MessageIcon::Exclamation));
    EXPECT_FALSE(ctx.job.jobStarted);
  }
  // A typed path is checked exactly as typed.
  messages.clear();
  const std::string typed = output.file("no such file.mp3");
  QTest::keyClicks(window->fileNameBox(), QString::fromStdString(typed));
  window->createButton()->click();
  EXPECT_TRUE(ctx.inputs.inputCheckFailed);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("\"" + typed + "\""), std::string::npos) << messages[0].text;
  EXPECT_EQ(window->fileNameBox()->text().toStdString(), typed);
}

// Cancel in the Output Text window runs no job; OK runs it in the working
// window, and each run takes the next number.
TEST_F(MainWindowTest, CreateRunsTheWholeCommandUnlessOutputTextIsCancelled) {
  ctx.settings.outputMode = kOutputModeController;
  ASSERT_TRUE(saveParameters(ctx));
  const std::string input = inputs.file("chords.wav");
  test::writeFileBytes(input, test::makePcmWav(22050, 1, 16, test::chordSequence(1.5, 22050, 1)));
  MainWindow& w = open();
  w.fileNameBox()->setText(QString::fromStdString(input));
  const char* answer = "cancel";
  bool workingOpened = false;
  std::vector<std::string> lines;
  test::ModalAnswerer answerer([&](QWidget& modal) {
    if (modal.objectName() == QLatin1String("outputTextWindow")) return test::click(modal, answer);
    auto* working = dynamic_cast<WorkingWindow*>(&modal);
    ASSERT_NE(working, nullptr);
    workingOpened = true;
    if (!working->jobStarted() || working->jobRunning()) return;
    EXPECT_EQ(working->report().outcome, JobOutcome::Finished);
    for (const CreatedFile& file : working->report().createdFiles) lines.push_back(resultLine(file));
    test::click(modal, "ok");
  });
  w.createButton()->click();
  EXPECT_FALSE(workingOpened);
  EXPECT_FALSE(ctx.job.jobStarted);
  EXPECT_TRUE(ctx.inputs.inputCheckFailed);
  EXPECT_TRUE(output.entries().empty());
  EXPECT_EQ(numberOnDisk(), 1);

  answer = "ok";
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    lines.clear();
    w.createButton()->click();
    const std::string base = "snx" + std::to_string(run);
    EXPECT_EQ(lines, (std::vector<std::string>{"Created web page \"" + base + ".htm\"",
                                               "Created Flash streaming animation \"" + base + "s.swf\"",
                                               "Created Flash controller animation \"" + base + "c.swf\""}));
    for (const std::string& name : {base + ".htm", base + "s.swf", base + "c.swf"})
      EXPECT_GT(std::filesystem::file_size(output.file(name)), 0u) << name;
    EXPECT_EQ(numberOnDisk(), run + 1);
    EXPECT_EQ(host.owner(), &w);
  }
  EXPECT_EQ(w.fileNameBox()->text().toStdString(), input);
  EXPECT_TRUE(messages.empty()) << messages.front().text;
  EXPECT_FALSE(exitCode.has_value());
}

TEST_F(MainWindowTest, BrowseStartsAtTheDesktopThenAtTheLastChosenFile) {
  test::TempFolder music;
  const std::string chosen = music.file("tune.mp3");
  test::writeFileText(chosen, "not really music");
  MainWindow& w = open();
  for (const auto& [startsIn, choose] : {std::pair{output.path(), true}, {music.path(), false}, {music.path(), true}}) {
    SCOPED_TRACE(startsIn);
    std::string seenFolder, seenFilter;
    test::ModalAnswerer answer([&](QWidget& modal) {
      auto* dialog = qobject_cast<QFileDialog*>(&modal);
      ASSERT_NE(dialog, nullptr);
      seenFolder = dialog->directory().absolutePath().toStdString() + "/";
      seenFilter = dialog->nameFilters().join(QLatin1Char(';')).toStdString();
      if (!choose) return dialog->reject();
      dialog->selectFile(QString::fromStdString(chosen));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    w.browseButton()->click();
    EXPECT_EQ(seenFolder, startsIn);
    EXPECT_EQ(seenFilter, "MP3 or WAV files (*.mp3 *.wav)");
    EXPECT_EQ(w.fileNameBox()->text().toStdString(), chosen);
    EXPECT_EQ(w.browseStartPath(), chosen);
  }
}

// The buttons' pictures hold magenta as their transparent colour; it must
// never reach the screen, at rest, hovered or pressed. Background and
// sounds are the settings' at the window's start.
TEST_F(MainWindowTest, TakesItsLookFromTheSettingsAtStartAndNeverDrawsMagenta) {
  for (const char* name : {"help", "browse", "options", "create", "exit", "minimise", "close"}) {
    QImage picture(QStringLiteral(":/artwork/%1.png").arg(QLatin1String(name)));
    EXPECT_GT(magentaPixels(picture.convertToFormat(QImage::Format_RGB32)), 0) << name;
  }
  ctx.settings.backgroundPicture = true;
  ctx.settings.buttonSounds = true;
  MainWindow& w = open();
  const QImage withPicture = grabbed(w);
  EXPECT_EQ(magentaPixels(withPicture), 0) << "at rest";
  for (SkinnedButton* button : allButtons(w)) {
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_TRUE(button->hasClickSound());
    EXPECT_EQ(button->cursor().shape(), Qt::BitmapCursor);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(button, &enter);
    ASSERT_TRUE(button->isHovered());
    EXPECT_EQ(magentaPixels(grabbed(w)), 0) << "hovered";
    button->setDown(true);
    EXPECT_EQ(magentaPixels(grabbed(w)), 0) << "pressed";
    button->setDown(false);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
  }
  ctx.settings.backgroundPicture = false;
  ctx.settings.buttonSounds = false;
  w.update();
  EXPECT_EQ(grabbed(w), withPicture);

  const QImage plain = grabbed(open());
  EXPECT_NE(plain.pixel(225, 340), withPicture.pixel(225, 340));
  for (SkinnedButton* button : allButtons(*window)) EXPECT_FALSE(button->hasClickSound());
  ctx.settings.backgroundPicture = true;
  window->update();
  EXPECT_EQ(grabbed(*window), plain);
}

TEST_F(MainWindowTest, ShowsTheTipOfTheDayOnceAfterTheFirstPaintOnlyWhenAsked) {
  std::filesystem::copy_file(test::programFolder() + "tips.da0", program.file("tips.da0"));
  for (bool tips : {false, true}) {
    SCOPED_TRACE(tips);
    ctx.settings.showTipsAtStartup = tips;
    int shown = 0;
    bool paintedFirst = false;
    test::ModalAnswerer answer([&](QWidget& modal) {
      EXPECT_EQ(modal.objectName().toStdString(), "tipWindow");
      ++shown;
      paintedFirst = window->startupTipsShown();
      test::click(modal, "ok");
    });
    MainWindow& w = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.startupTipsShown(); }));
    w.repaint();
    QTest::qWait(20);
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
    const std::tuple<QEvent::Type, QPoint, Qt::MouseButton, Qt::MouseButtons> steps[] = {
        {QEvent::MouseButtonPress, {}, Qt::LeftButton, Qt::LeftButton},
        {QEvent::MouseMove, by, Qt::NoButton, Qt::LeftButton},
        {QEvent::MouseButtonRelease, by, Qt::LeftButton, Qt::NoButton}};
    for (const auto& [type, shift, button, buttons] : steps) {
      QMouseEvent event(type, QPointF(from + shift), QPointF(global + shift), button, buttons, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &event);
    }
    return w.pos();
  };
  EXPECT_EQ(drag(&w, {200, 20}, {30, 40}), QPoint(130, 140));
  EXPECT_EQ(drag(&w, {10, 340}, {-5, 7}), QPoint(125, 147));
  // A press on a button is the button's, not a drag.
  EXPECT_EQ(drag(w.optionsButton(), {5, 5}, {50, 50}), QPoint(125, 147));
}

}  // namespace
}  // namespace sonaflux
