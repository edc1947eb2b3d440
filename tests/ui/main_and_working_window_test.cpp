#include "ui/main_window.h"

#include <httplib.h>
#include <QEnterEvent>
#include <QProgressBar>
#include <algorithm>
#include <csignal>
#include <regex>
#include <set>

#include "core/messages.h"
#include "tests/ui/accessibility_walk.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/output_text_dialog.h"
#include "ui/skinned_button.h"
#include "ui/sound_probe.h"
#include "ui/stop_signals.h"
#include "ui/tip_dialog.h"
#include "ui/working_window.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::child;
using test::click;

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

// The buttons' pictures hold magenta as their transparent colour; it must
// never reach the screen.
QImage grabbed(QWidget& w) {
  const QImage shot = test::grabbed(w);
  EXPECT_EQ(test::countPixels(shot, [](QRgb p) { return (p & 0xFFFFFFu) == 0xFF00FFu; }), 0);
  return shot;
}

TEST_F(MainWindowTest, KeysAndButtonsEndTheProgramOrSayWhatIsMissingAndTheRestDrags) {
  const std::string empty = "Error: Please select an input MP3 or WAV file first.";
  struct Row {
    const char* how;
    std::function<void(MainWindow&)> act;
    std::optional<int> exitCode;  // none: the program goes on
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
      {"No help page", [](MainWindow& w) { w.helpButton()->click(); }, {}, "Error: Could not launch help file."},
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
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("\"" + typed + "\""), std::string::npos) << messages[0].text;

  // Any point that is not a control drags the window.
  MainWindow& w = *window;
  w.move(100, 100);
  auto drag = [&w](QWidget* target, QPoint from, QPoint by) {
    const QPoint global = target->mapToGlobal(from);
    struct Step {
      QEvent::Type type;
      QPoint shift;
      Qt::MouseButton button;
      Qt::MouseButtons held;
    };
    const Step steps[] = {{QEvent::MouseButtonPress, {}, Qt::LeftButton, Qt::LeftButton},
                          {QEvent::MouseMove, by, Qt::NoButton, Qt::LeftButton},
                          {QEvent::MouseButtonRelease, by, Qt::LeftButton, Qt::NoButton}};
    for (const Step& step : steps) {
      QMouseEvent event(step.type, QPointF(from + step.shift), QPointF(global + step.shift), step.button, step.held,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(target, &event);
    }
    return w.pos();
  };
  EXPECT_EQ(drag(&w, {200, 20}, {4, 5}), QPoint(100, 100)) << "a click that barely moves is no drag";
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
    if (modal.objectName() == QLatin1String("outputTextWindow")) return click(modal, answer);
    auto* working = dynamic_cast<WorkingWindow*>(&modal);
    ASSERT_NE(working, nullptr);
    workingOpened = true;
    if (!working->jobStarted() || working->jobRunning()) return;
    EXPECT_EQ(working->report().outcome, JobOutcome::Finished);
    click(modal, "ok");
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
  EXPECT_EQ(output.entries(),
            (std::vector<std::string>{"snx1.htm", "snx1c.swf", "snx1s.swf", "snx2.htm", "snx2c.swf", "snx2s.swf"}));
  EXPECT_EQ(host.owner(), &w);
  EXPECT_EQ(w.fileNameBox()->text().toStdString(), input);
  EXPECT_TRUE(messages.empty()) << messages.front().text;
  EXPECT_FALSE(exitCode.has_value());
}

TEST_F(MainWindowTest, MissingOutputFolderIsSaidBeforeThePageTextIsAsked) {
  ctx.settings.toDesktop = false;
  ctx.settings.outputFolderPath = output.file("gone/");
  const std::string input = inputs.file("chords.wav");
  test::writeFileBytes(input, test::makePcmWav(22050, 1, 16, test::chordSequence(0.5, 22050, 1)));
  MainWindow& w = open();
  bool asked = false;
  auto answerer = test::answerModals([&](QWidget& modal) {
    asked = true;
    modal.close();
  });
  w.fileNameBox()->setText(QString::fromStdString(input));
  w.createButton()->click();
  EXPECT_FALSE(asked);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Error: Output folder not found. Select a valid folder in \"Options\".");
}

// Shape, background, sounds and the startup tip come from the settings as
// the window starts; no magenta at rest, hovered or pressed.
TEST_F(MainWindowTest, TakesItsLookFromTheSettingsAtStartAndNeverDrawsMagenta) {
  // Against the corner ellipses' centres (45, 45) and (405, 305), radius 45:
  // pixel (12, 12) lies 45.96 away, (14, 14) 43.13 away.
  const std::pair<QPoint, bool> inRounded[] = {
      {{12, 12}, false}, {{14, 14}, true}, {{437, 337}, false}, {{435, 335}, true},  {{449, 0}, false},
      {{0, 349}, false}, {{225, 0}, true}, {{0, 175}, true},    {{450, 175}, false}, {{225, 350}, false},
  };
  int tipsShown = 0;
  bool paintedFirst = false;
  auto answer = test::answerModals([&](QWidget& modal) {
    EXPECT_EQ(modal.objectName().toStdString(), "tipWindow");
    ++tipsShown;
    paintedFirst = window->startupTipsShown();
    click(modal, "ok");
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
    if (on)
      withPicture = look;
    else
      EXPECT_NE(look.pixel(225, 340), withPicture.pixel(225, 340));
    for (SkinnedButton* button : {w.minimiseButton(), w.closeButton(), w.helpButton(), w.browseButton(),
                                  w.optionsButton(), w.createButton(), w.exitButton()}) {
      SCOPED_TRACE(button->objectName().toStdString());
      EXPECT_TRUE(button->text().isEmpty()) << "drawn as its word: its picture did not load";
      // A machine without sound gets none, and no warning about it.
      EXPECT_EQ(button->hasClickSound(), on && soundsCanPlay());
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
      EXPECT_NE(hovered, look) << "grey at rest, in colour when hovered";
      button->setDown(true);
      const QImage pressed = grabbed(w);
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

// A button reached by Tab shows a ring; one that takes the focus from a
// click looks as it always did.
TEST_F(MainWindowTest, OnlyKeyboardFocusShowsARing) {
  MainWindow& w = open();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  const QImage atRest = test::grabbed(*w.browseButton());
  QTest::keyClick(w.fileNameBox(), Qt::Key_Tab);
  ASSERT_TRUE(w.browseButton()->hasFocus());
  EXPECT_NE(test::grabbed(*w.browseButton()), atRest);
  QTest::keyClick(w.browseButton(), Qt::Key_Tab);
  ASSERT_TRUE(w.createButton()->hasFocus()) << "Tab goes on to Create";
  EXPECT_EQ(test::grabbed(*w.browseButton()), atRest);

  w.fileNameBox()->setFocus(Qt::MouseFocusReason);
  const QImage createAtRest = test::grabbed(*w.createButton());
  QTest::mouseClick(w.createButton(), Qt::LeftButton);
  ASSERT_TRUE(w.createButton()->hasFocus());
  EXPECT_EQ(test::grabbed(*w.createButton()), createAtRest);
}

// Stands in for the desktop's launcher on PATH while it lives: it writes the
// address it is given to a file and ends with the status in that file.
struct LauncherStandIn {
  LauncherStandIn() : oldPath(qgetenv("PATH")) {
    test::writeFileText(folder.file("xdg-open"),
                        "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/address\"\n"
                        "exit $(cat \"$(dirname \"$0\")/status\")\n");
    fs::permissions(folder.file("xdg-open"), fs::perms::owner_all);
    endWith(0);
    qputenv("PATH", QByteArray::fromStdString(folder.path()) + ":" + oldPath);
  }
  ~LauncherStandIn() { qputenv("PATH", oldPath); }
  void endWith(int status) { test::writeFileText(folder.file("status"), std::to_string(status)); }
  // The address given to the last launcher, once it has ended.
  std::string takeAddress() {
    const std::string file = folder.file("address");
    if (!QTest::qWaitFor([&] { return fs::exists(file); }, 5000)) return "";
    std::string address = test::readFileText(file);
    fs::remove(file);
    // The browser is handed a private page that forwards it to the address.
    if (!address.starts_with("http")) {
      const std::string forwarding = test::readFileText(address);
      const std::string start = "location.replace(\"";
      const std::size_t at = forwarding.find(start);
      if (at == std::string::npos) return address;
      const std::size_t from = at + start.size();
      address = forwarding.substr(from, forwarding.find('"', from) - from);
    }
    return address;
  }

  test::TempFolder folder;
  QByteArray oldPath;
};

struct GuiJobFixture : test::GuiFixture {
  explicit GuiJobFixture(double seconds) {
    ctx.inputs.inputPath = inputs.file("tune.wav");
    test::writeFileBytes(ctx.inputs.inputPath, test::makePcmWav(44100, 2, 16, test::chordSequence(seconds, 44100, 2)));
    ctx.inputs.inputIsWav = true;
    ctx.inputs.inputTitle = "Tune";
  }

  // Runs the window modally, as the main window does: `during` at every turn
  // of the event loop while the job runs until it returns true, `after` once
  // the outcome shows; `after` closes the window.
  void runWindow(std::function<bool(WorkingWindow&)> during, std::function<void(WorkingWindow&)> after) {
    WorkingWindow window(ctx, host, nullptr);
    bool duringDone = !during, afterDone = false;
    auto answer = test::answerModals([&](QWidget&) {
      if (window.jobRunning() && !duringDone) duringDone = during(window);
      if (!window.jobStarted() || window.jobRunning() || afterDone) return;
      afterDone = true;
      EXPECT_TRUE(window.isVisible()) << "the window left before the job had ended";
      after(window);
    });
    window.exec();
    EXPECT_TRUE(afterDone);
    EXPECT_TRUE(duringDone) << "the job ended before the test could act on it";
  }
};

// What the window shows: the outcome's words and buttons, e.g. "Cancelled OK",
// then the result lines.
std::vector<std::string> shown(QWidget& window) {
  std::string outcome;
  for (const char* name : {"finished", "failed", "cancelled", "launchOutput", "cancel", "ok"}) {
    QWidget* widget = window.findChild<QWidget*>(QLatin1String(name));
    if (widget && widget->isVisible())
      outcome += (outcome.empty() ? "" : " ") + widget->property("text").toString().remove('&').toStdString();
  }
  std::vector<std::string> texts{outcome};
  for (QLabel* line : window.findChildren<QLabel*>(QStringLiteral("resultLine")))
    if (line->isVisible() && window.rect().contains(line->geometry())) texts.push_back(line->text().toStdString());
  return texts;
}

// A stop signal during the job cancels it like Cancel, and the program ends
// only after the clean-up.
TEST(WorkingWindow, ShowsTheOutcomeAndItsFilesAndClosesOnlyOnceTheJobHasEnded) {
  enum Act { Enter, CancelButton, EscapeKey, CloseRequest, CancelThenClose, Signal, NoEncoder };
  struct Row {
    Act act;
    double seconds;
    std::int32_t mode;
    std::vector<std::string> shown, files;
    int signal = 0;
  };
  const std::string page = "Created web page \"snx1.htm\"", stream = "Created Flash streaming animation \"snx1s.swf\"";
  const std::string finished = "Finished Successfully! Launch Output OK";
  const std::vector<std::string> cancelled{"Cancelled OK"};
  const std::int32_t bare = kOutputModeBareLooping;
  const std::string folder = "in <output>";  // the fixture's output folder
  const Row rows[] = {
      {Enter, 1, bare, {finished, page, stream, folder}, {"snx1.htm", "snx1s.swf"}},
      // Every browser's page with a controller: four files and the folder.
      {Enter,
       1,
       kOutputModeController,
       {finished, page, stream, "Created Flash controller animation \"snx1c.swf\"", "Created MP3 sound \"snx1.mp3\"",
        folder},
       {"snx1.htm", "snx1.mp3", "snx1c.swf", "snx1s.swf"}},
      {CancelButton, 30, bare, cancelled, {}},
      {EscapeKey, 30, bare, cancelled, {}},
      {CloseRequest, 30, bare, cancelled, {}},
      {CancelThenClose, 30, bare, cancelled, {}},
      {Signal, 30, bare, cancelled, {}, SIGTERM},
      {Signal, 30, bare, cancelled, {}, SIGHUP},
      {Signal, 30, bare, cancelled, {}, SIGQUIT},
      {NoEncoder, 0.5, bare, {"Failed OK"}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.act << " " << row.signal);
    GuiJobFixture f(row.seconds);
    f.ctx.settings.outputMode = row.mode;
    if (row.mode == kOutputModeController) f.ctx.settings.pageFor = PageFor::EveryBrowser;
    if (row.act == NoEncoder) fs::remove(f.program.file("lame_enc.so"));
    QWidget mainWindow;
    f.host.setOwner(&mainWindow);
    std::vector<int> exitCodes;
    StopSignals stop(f.ctx, [&](int code) {
      exitCodes.push_back(code);
      EXPECT_FALSE(f.ctx.job.jobRunning);
      EXPECT_TRUE(f.output.entries().empty()) << testing::PrintToString(f.output.entries());
    });
    auto during = [&](WorkingWindow& window) {
      if (row.act == Enter) {
        // Cancel has the focus, yet Enter must not cancel.
        EXPECT_EQ(window.focusWidget(), &child(window, "cancel"));
        QTest::keyClick(window.focusWidget(), Qt::Key_Return);
        return true;
      }
      // Mid-job: the output files exist and compression is under way.
      if (child<QProgressBar>(window, "bar3").value() < 1) return false;
      EXPECT_FALSE(f.output.entries().empty());
      if (row.act == CancelButton || row.act == CancelThenClose) click(window, "cancel");
      if (row.act == EscapeKey) QTest::keyClick(&window, Qt::Key_Escape);
      if (row.act == CloseRequest) {
        EXPECT_FALSE(window.close());
        EXPECT_TRUE(child(window, "cancel").isDown()) << "the close request presses Cancel where the user sees it";
      }
      if (row.act == CancelThenClose) {
        EXPECT_FALSE(window.close());
      }
      if (row.signal) std::raise(row.signal);
      EXPECT_TRUE(window.isVisible());
      EXPECT_TRUE(window.jobRunning()) << "the window must wait for the job to clean up";
      return true;
    };
    f.runWindow(row.act == NoEncoder ? std::function<bool(WorkingWindow&)>() : during, [&](WorkingWindow& window) {
      std::vector<std::string> expected = row.shown;
      if (expected.back() == folder) expected.back() = "in " + f.output.path();
      EXPECT_EQ(shown(window), expected);
      for (const auto& shown : f.messages) EXPECT_EQ(shown.owner, &window);
      if (row.mode == kOutputModeController)
        QTest::keyClick(&window, Qt::Key_Escape);
      else
        click(window, "ok");
    });
    EXPECT_TRUE(!row.signal || QTest::qWaitFor([&] { return !exitCodes.empty(); }, 5000));
    EXPECT_EQ(exitCodes, row.signal ? std::vector<int>{128 + row.signal} : std::vector<int>{});
    EXPECT_EQ(f.output.entries(), row.files);
    EXPECT_EQ(f.host.owner(), &mainWindow);
    EXPECT_EQ(f.messages.size(), row.act == NoEncoder ? 1u : 0u);
  }
}

// The page is served with the player; a launcher that fails, or a page that
// is gone, is reported each time.
TEST(WorkingWindow, LaunchOutputServesThePageOnTheLoopbackOrSaysWhyNot) {
  GuiJobFixture f(0.5);
  f.ctx.settings.outputMode = kOutputModeController;
  LauncherStandIn launcher;
  f.runWindow({}, [&](WorkingWindow& window) {
    click(window, "launchOutput");
    const QUrl page(QString::fromStdString(launcher.takeAddress()));
    EXPECT_EQ(page.host(), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(page.path().endsWith(QStringLiteral("/snx1.htm"))) << page.toString().toStdString();
    httplib::Result served = httplib::Client("127.0.0.1", page.port()).Get(page.path().toStdString());
    EXPECT_EQ(served ? served->status : 0, 200);

    launcher.endWith(4);
    click(window, "launchOutput");
    EXPECT_FALSE(launcher.takeAddress().empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.messages.size() == 1; }, 5000)) << "a launcher that fails is reported";
    fs::remove(f.output.file("snx1.htm"));
    click(window, "launchOutput");
    EXPECT_TRUE(window.isVisible());
    for (const auto& shown : f.messages) EXPECT_EQ(shown.owner, &window);
    click(window, "ok");
  });
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[0].text, "Error: Could not launch the web page with the default browser.");
  EXPECT_EQ(f.host.owner(), nullptr);
}

// A screen reader can name every control of every window the program shows
// around a job, the window's own painted texts included.
TEST(Accessibility, EveryControlOfEachWindowHasAName) {
  struct Row {
    const char* window;
    std::function<void(GuiJobFixture&, std::function<void(QWidget&)>)> open;
  };
  const Row rows[] = {
      {"main",
       [](GuiJobFixture& f, auto walk) {
         MainWindow main(f.ctx, f.host);
         main.show();
         walk(main);
       }},
      {"tip",
       [](GuiJobFixture& f, auto walk) {
         TipDialog tip(f.ctx, nullptr);
         tip.show();
         walk(tip);
       }},
      {"output text",
       [](GuiJobFixture& f, auto walk) {
         OutputTextDialog text(f.ctx, nullptr);
         text.show();
         walk(text);
       }},
      {"working",
       [](GuiJobFixture& f, auto walk) {
         f.runWindow([&](WorkingWindow& w) { return walk(w), true; },
                     [&](WorkingWindow& w) {
                       walk(w);
                       w.accept();
                     });
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.window);
    GuiJobFixture f(0.5);
    int walked = 0;
    row.open(f, [&walked](QWidget& window) {
      ++walked;
      EXPECT_EQ(test::unnamedControls(window), std::vector<std::string>{});
    });
    EXPECT_GT(walked, 0);
  }
}

// The help page's table of messages is the program's own list.
TEST(HelpPage, ListsEveryMessageTheProgramShows) {
  const std::string page = test::readFileText(test::programFolder() + "snxhelp.htm");
  const std::size_t start = page.find("<table id=\"messages\">");
  ASSERT_NE(start, std::string::npos);
  const std::string table = page.substr(start, page.find("</table>", start) - start);
  std::set<std::string> listed;
  const std::regex firstCell("<tr><td>(.*?)</td>");
  for (auto it = std::sregex_iterator(table.begin(), table.end(), firstCell); it != std::sregex_iterator(); ++it) {
    // <var>path</var> is where the program's text holds <path>.
    std::string text = std::regex_replace((*it)[1].str(), std::regex("</?var>"), "|");
    text = std::regex_replace(text, std::regex("\\|([a-z]+)\\|"), "<$1>");
    listed.insert(text);
  }
  const std::set<std::string> program(std::begin(kAllMessages), std::end(kAllMessages));
  std::vector<std::string> unlisted, unknown;
  std::ranges::set_difference(program, listed, std::back_inserter(unlisted));
  std::ranges::set_difference(listed, program, std::back_inserter(unknown));
  EXPECT_EQ(unlisted, std::vector<std::string>{}) << "messages the help page does not list";
  EXPECT_EQ(unknown, std::vector<std::string>{}) << "messages the program does not show";
}

}  // namespace
}  // namespace sonaflux
