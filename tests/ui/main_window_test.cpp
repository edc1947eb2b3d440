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

QImage grabbed(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int magentaPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFFu) == 0xFF00FFu;
  return count;
}

TEST_F(MainWindowTest, KeysAndButtonsEndTheProgramOrSayWhatIsMissingAndTheRestDrags) {
  const std::string empty = "Error: Please select an input MP3 or WAV file first.";
  using Act = std::function<void(MainWindow&)>;
  // What the user does, the program's exit code (none: it goes on) and the message shown.
  const std::tuple<const char*, Act, std::optional<int>, std::string> rows[] = {
      {"Escape", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, 0, ""},
      {"Escape in the box", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Escape); }, 0, ""},
      {"Close", [](MainWindow& w) { w.closeButton()->click(); }, 0, ""},
      {"Exit", [](MainWindow& w) { w.exitButton()->click(); }, 0, ""},
      {"close request", [](MainWindow& w) { w.close(); }, 0, ""},
      {"Create", [](MainWindow& w) { w.createButton()->click(); }, std::nullopt, empty},
      {"Enter in the box", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Return); }, {}, empty},
      {"Enter", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Enter); }, std::nullopt, empty},
      {"Help without its page", [](MainWindow& w) { w.helpButton()->click(); }, {},
       "Error: Could not launch help file."},
  };
  for (const auto& [how, act, code, message] : rows) {
    SCOPED_TRACE(how);
    exitCode.reset();
    messages.clear();
    act(open());
    EXPECT_EQ(exitCode, code);
    EXPECT_EQ(messages.size(), message.empty() ? 0u : 1u);
    for (const Shown& shown : messages)
      EXPECT_EQ(std::pair(shown.text, shown.icon), std::pair(message, MessageIcon::Exclamation));
    EXPECT_FALSE(ctx.job.jobStarted);
  }
  // A typed path is checked exactly as typed.
  messages.clear();
  const std::string typed = output.file("no such file.mp3");
  QTest::keyClicks(window->fileNameBox(), QString::fromStdString(typed));
  window->createButton()->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("\"" + typed + "\""), std::string::npos) << messages[0].text;

  // Any point that is not a control drags the window.
  MainWindow& w = *window;
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
  EXPECT_EQ(drag(w.optionsButton(), {5, 5}, {50, 50}), QPoint(125, 147));
  EXPECT_FALSE(exitCode);
}

// The command as a user runs it: Browse for the file (it starts at the
// desktop, then at the last chosen file), Create, Cancel or OK in the Output
// Text window, the job in the working window; each run takes the next number.
TEST_F(MainWindowTest, BrowseAndCreateRunTheWholeCommandUnlessOutputTextIsCancelled) {
  ctx.settings.outputMode = kOutputModeController;
  ASSERT_TRUE(saveParameters(ctx));
  const std::string input = inputs.file("chords.wav");
  test::writeFileBytes(input, test::makePcmWav(22050, 1, 16, test::chordSequence(1.5, 22050, 1)));
  MainWindow& w = open();
  const char* answer = "ok";
  bool workingOpened = false;
  std::vector<std::string> browsed;
  auto answerer = test::answerModals([&](QWidget& modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
      browsed.push_back(dialog->directory().absolutePath().toStdString() + "/ " +
                        dialog->nameFilters().join(QLatin1Char(';')).toStdString());
      if (answer == std::string("cancel")) return dialog->reject();
      dialog->selectFile(QString::fromStdString(input));
      return (void)QMetaObject::invokeMethod(dialog, "accept");
    }
    if (modal.objectName() == QLatin1String("outputTextWindow")) return test::click(modal, answer);
    auto* working = dynamic_cast<WorkingWindow*>(&modal);
    ASSERT_NE(working, nullptr);
    workingOpened = true;
    if (!working->jobStarted() || working->jobRunning()) return;
    EXPECT_EQ(working->report().outcome, JobOutcome::Finished);
    test::click(modal, "ok");
  });
  w.browseButton()->click();
  answer = "cancel";
  w.browseButton()->click();
  const std::string filter = "MP3 or WAV files (*.mp3 *.wav)";
  EXPECT_EQ(browsed, (std::vector<std::string>{output.path() + " " + filter, inputs.path() + " " + filter}));
  EXPECT_EQ(w.fileNameBox()->text().toStdString(), input);
  EXPECT_EQ(w.browseStartPath(), input);

  w.createButton()->click();
  EXPECT_FALSE(workingOpened);
  answer = "ok";
  w.createButton()->click();
  w.createButton()->click();
  EXPECT_EQ(output.entries(), (std::vector<std::string>{"snx1.htm", "snx1c.swf", "snx1s.swf", "snx2.htm",
                                                        "snx2c.swf", "snx2s.swf"}));
  EXPECT_EQ(host.owner(), &w);
  EXPECT_EQ(w.fileNameBox()->text().toStdString(), input);
  EXPECT_TRUE(messages.empty()) << messages.front().text;
  EXPECT_FALSE(exitCode.has_value());
}

// Shape, background, sounds and the startup tip come from the settings as
// the window starts. The buttons' pictures hold magenta as their transparent
// colour; it must never reach the screen, at rest, hovered or pressed.
TEST_F(MainWindowTest, TakesItsLookFromTheSettingsAtStartAndNeverDrawsMagenta) {
  // Against the corner ellipses' centres (45, 45) and (405, 305), radius 45:
  // pixel (12, 12) lies 45.96 away, (14, 14) 43.13 away.
  const std::pair<QPoint, bool> inRounded[] = {
      {{12, 12}, false},  {{14, 14}, true},  {{437, 337}, false}, {{435, 335}, true}, {{449, 0}, false},
      {{0, 349}, false},  {{225, 0}, true},  {{0, 175}, true},    {{450, 175}, false}, {{225, 350}, false},
  };
  std::filesystem::copy_file(test::programFolder() + "tips.da0", program.file("tips.da0"));
  int tipsShown = 0;
  bool paintedFirst = false;
  auto answer = test::answerModals([&](QWidget& modal) {
    EXPECT_EQ(modal.objectName().toStdString(), "tipWindow");
    ++tipsShown;
    paintedFirst = window->startupTipsShown();
    test::click(modal, "ok");
  });
  QImage withPicture;
  for (bool on : {true, false}) {
    SCOPED_TRACE(on);
    ctx.settings.roundCorners = ctx.settings.backgroundPicture = on;
    ctx.settings.buttonSounds = ctx.settings.showTipsAtStartup = on;
    MainWindow& w = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.startupTipsShown(); }));
    w.repaint();
    QTest::qWait(20);
    EXPECT_EQ(tipsShown, 1) << "once, after the first paint, only when asked";
    EXPECT_TRUE(paintedFirst);
    const QRegion shape = w.mask().isEmpty() ? QRegion(w.rect()) : w.mask();
    for (const auto& [point, in] : inRounded)
      EXPECT_EQ(shape.contains(point), on ? in : QRect(0, 0, 450, 350).contains(point)) << point.x();

    const QImage look = grabbed(w);
    EXPECT_EQ(magentaPixels(look), 0) << "at rest";
    if (on) withPicture = look;
    else EXPECT_NE(look.pixel(225, 340), withPicture.pixel(225, 340));
    for (SkinnedButton* button : {w.minimiseButton(), w.closeButton(), w.helpButton(), w.browseButton(),
                                  w.optionsButton(), w.createButton(), w.exitButton()}) {
      SCOPED_TRACE(button->objectName().toStdString());
      EXPECT_TRUE(button->text().isEmpty()) << "drawn as its word: its picture did not load";
      EXPECT_EQ(button->hasClickSound(), on);
      EXPECT_EQ(button->cursor().shape(), Qt::BitmapCursor);
      // The picture's magenta corner shows the window beneath.
      button->hide();
      const QRgb beneath = grabbed(w).pixel(button->pos());
      button->show();
      EXPECT_EQ(look.pixel(button->pos()), beneath);
      QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
      QCoreApplication::sendEvent(button, &enter);
      ASSERT_TRUE(button->isHovered());
      const QImage hovered = grabbed(w);
      EXPECT_EQ(magentaPixels(hovered), 0) << "hovered";
      EXPECT_NE(hovered, look) << "grey at rest, in colour when hovered";
      button->setDown(true);
      const QImage pressed = grabbed(w);
      EXPECT_EQ(magentaPixels(pressed), 0) << "pressed";
      EXPECT_NE(pressed, hovered) << "pressing moves the picture";
      button->setDown(false);
      QEvent leave(QEvent::Leave);
      QCoreApplication::sendEvent(button, &leave);
    }
    // A changed setting waits for the next start.
    ctx.settings.backgroundPicture = !on;
    w.update();
    EXPECT_EQ(grabbed(w), look);
  }
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace sonaflux
