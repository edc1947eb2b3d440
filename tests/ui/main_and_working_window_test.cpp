#include "ui/main_window.h"

#include <httplib.h>
#include <QAccessible>
#include <QMetaEnum>
#include <QEnterEvent>
#include <QProgressBar>
#include <QTabWidget>
#include <csignal>
#include <regex>
#include <set>

#include "core/messages.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/options_window.h"
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

  std::vector<std::string> said() const {
    std::vector<std::string> texts;
    for (const Shown& shown : messages) texts.push_back(shown.text);
    return texts;
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

struct MainWindowPress {
  const char* name;
  std::function<void(MainWindow&)> act;
  std::optional<int> exitCode;  // {}: the program goes on
  std::vector<std::string> said;
};

void PrintTo(const MainWindowPress& row, std::ostream* out) { *out << row.name; }

class MainWindowPresses : public MainWindowTest, public testing::WithParamInterface<MainWindowPress> {};

TEST_P(MainWindowPresses, EndTheProgramOrSayWhatIsMissing) {
  GetParam().act(open());
  EXPECT_EQ(exitCode, GetParam().exitCode);
  EXPECT_EQ(said(), GetParam().said);
  for (const Shown& shown : messages) EXPECT_EQ(shown.icon, MessageIcon::Exclamation);
  EXPECT_FALSE(ctx.job.jobStarted);
}

const std::string kNoInput = "Error: Please select an input MP3 or WAV file first.";
const MainWindowPress kPresses[] = {
    {"EscapeInTheBox", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Escape); }, 0, {}},
    {"Close", [](MainWindow& w) { w.closeButton()->click(); }, 0, {}},
    {"Exit", [](MainWindow& w) { w.exitButton()->click(); }, 0, {}},
    {"CloseRequest", [](MainWindow& w) { w.close(); }, 0, {}},
    {"EnterInTheBox", [](MainWindow& w) { QTest::keyClick(w.fileNameBox(), Qt::Key_Return); }, {}, {kNoInput}},
    {"Enter", [](MainWindow& w) { QTest::keyClick(&w, Qt::Key_Enter); }, {}, {kNoInput}},
    {"HelpWithoutItsPage", [](MainWindow& w) { w.helpButton()->click(); }, {}, {"Error: Could not launch help file."}},
};

INSTANTIATE_TEST_SUITE_P(Keys, MainWindowPresses, testing::ValuesIn(kPresses),
                         [](const testing::TestParamInfo<MainWindowPress>& info) { return info.param.name; });

// Presses, moves by `by` and releases the left button on `target`; where the window is then.
QPoint dragged(MainWindow& w, QWidget* target, QPoint from, QPoint by) {
  const QPoint global = target->mapToGlobal(from);
  auto send = [target](QEvent::Type type, QPoint at, QPoint globalAt, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, at, globalAt, button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  };
  send(QEvent::MouseButtonPress, from, global, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, from + by, global + by, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, from + by, global + by, Qt::LeftButton, Qt::NoButton);
  return w.pos();
}

TEST_F(MainWindowTest, AnyPointThatIsNoControlDragsTheWindow) {
  MainWindow& w = open();
  w.move(100, 100);
  EXPECT_EQ(dragged(w, &w, {200, 20}, {4, 5}), QPoint(100, 100)) << "a click that barely moves is no drag";
  EXPECT_EQ(dragged(w, &w, {200, 20}, {30, 40}), QPoint(130, 140));
  EXPECT_EQ(dragged(w, w.optionsButton(), {5, 5}, {50, 50}), QPoint(130, 140));
}

// Browse starts at the desktop, then at the last chosen file; Cancel in the
// Output Text window starts no job, OK runs it in the working window.
TEST_F(MainWindowTest, BrowseAndCreateRunTheJobUnlessOutputTextIsCancelled) {
  ctx.settings.outputMode = kOutputModeController;
  const std::string input = inputs.file("chords.wav");
  test::writeFileBytes(input, test::makePcmWav(22050, 1, 16, test::chordSequence(1.5, 22050, 1)));
  MainWindow& w = open();
  const char* answer = "ok";
  std::vector<std::string> browsedFrom;
  auto answerer = test::answerModals([&](QWidget& modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
      browsedFrom.push_back(dialog->directory().absolutePath().toStdString() + "/ " +
                            dialog->nameFilters().join(QLatin1Char(';')).toStdString());
      if (answer == std::string("cancel")) return dialog->reject();
      dialog->selectFile(QString::fromStdString(input));
      return (void)QMetaObject::invokeMethod(dialog, "accept");
    }
    if (modal.objectName() == QLatin1String("outputTextWindow")) return click(modal, answer);
    auto& working = dynamic_cast<WorkingWindow&>(modal);
    if (working.jobStarted() && !working.jobRunning()) click(modal, "ok");
  });
  w.browseButton()->click();
  answer = "cancel";
  w.browseButton()->click();
  const std::string filter = " MP3 or WAV files (*.mp3 *.wav)";
  EXPECT_EQ(browsedFrom, (std::vector<std::string>{output.path() + filter, inputs.path() + filter}));
  EXPECT_EQ(w.fileNameBox()->text().toStdString(), input);
  w.createButton()->click();
  EXPECT_TRUE(output.entries().empty());
  answer = "ok";
  w.createButton()->click();
  EXPECT_EQ(output.entries(), (std::vector<std::string>{"snx1.htm", "snx1c.swf", "snx1s.swf"}));
  EXPECT_EQ(said(), std::vector<std::string>{});
}

// Shape, background, sounds and the startup tip follow the settings.
TEST_F(MainWindowTest, TakesItsLookFromTheSettingsAtStart) {
  int tipsShown = 0;
  bool paintedFirst = false;
  auto answer = test::answerModals([&](QWidget& modal) {
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
    QTest::qWait(20);
    EXPECT_EQ(tipsShown, 1) << "once, after the first paint, only when asked";
    EXPECT_TRUE(paintedFirst);
    // (12, 12) lies outside the corner's circle of radius 45, (14, 14) inside; so at the far corner.
    const QRegion shape = w.mask().isEmpty() ? QRegion(w.rect()) : w.mask();
    EXPECT_EQ(shape.contains(QPoint(12, 12)), !on);
    EXPECT_TRUE(shape.contains(QPoint(14, 14)));
    EXPECT_EQ(shape.contains(QPoint(437, 337)), !on);
    EXPECT_TRUE(shape.contains(QPoint(435, 335)));
    // A machine without sound gets none, and no warning about it.
    EXPECT_EQ(w.createButton()->hasClickSound(), on && soundsCanPlay());
    const QImage look = grabbed(w);
    if (on)
      withPicture = look;
    else
      EXPECT_NE(look.pixel(225, 340), withPicture.pixel(225, 340));
  }
  EXPECT_EQ(said(), std::vector<std::string>{});
}

// Each button shows its picture, grey at rest, in colour when hovered, moved
// when pressed, with the window showing through its magenta corners.
TEST_F(MainWindowTest, ButtonsShowTheirPicturesAndNoMagenta) {
  MainWindow& w = open();
  for (SkinnedButton* button : {w.minimiseButton(), w.closeButton(), w.helpButton(), w.browseButton(),
                                w.optionsButton(), w.createButton(), w.exitButton()})
    EXPECT_TRUE(button->text().isEmpty()) << button->objectName().toStdString() << " lost its picture";
  SkinnedButton& button = *w.browseButton();
  EXPECT_EQ(button.cursor().shape(), Qt::BitmapCursor);
  const QImage look = grabbed(w);
  button.hide();
  EXPECT_EQ(grabbed(w).pixel(button.pos()), look.pixel(button.pos()));
  button.show();
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(&button, &enter);
  const QImage hovered = grabbed(w);
  EXPECT_NE(hovered, look);
  button.setDown(true);
  EXPECT_NE(grabbed(w), hovered);
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
  EXPECT_TRUE(w.createButton()->hasFocus()) << "Tab goes on to Create";
  w.fileNameBox()->setFocus(Qt::MouseFocusReason);
  const QImage createAtRest = test::grabbed(*w.createButton());
  QTest::mouseClick(w.createButton(), Qt::LeftButton);
  ASSERT_TRUE(w.createButton()->hasFocus());
  EXPECT_EQ(test::grabbed(*w.createButton()), createAtRest);
}

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

// The outcome's words and buttons, e.g. "Cancelled OK", then the result lines.
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

enum class Act { Enter, CloseRequest, Signal, NoEncoder };

struct JobEnding {
  const char* name;
  Act act;
  int signal;
  std::vector<std::string> shown;  // "<folder>": the output folder
};

void PrintTo(const JobEnding& row, std::ostream* out) { *out << row.name; }

class WorkingWindowEndings : public testing::TestWithParam<JobEnding> {};

// Mid-job the window stays until the job has cleaned up; a stop signal
// cancels like Cancel and ends the program only after the clean-up.
TEST_P(WorkingWindowEndings, ShowTheOutcomeOnlyOnceTheJobHasEnded) {
  const JobEnding& row = GetParam();
  GuiJobFixture f(row.act == Act::Enter || row.act == Act::NoEncoder ? 1 : 30);
  f.ctx.settings.outputMode = kOutputModeController;
  f.ctx.settings.pageFor = PageFor::EveryBrowser;
  if (row.act == Act::NoEncoder) fs::remove(f.program.file("lame_enc.so"));
  QWidget mainWindow;
  f.host.setOwner(&mainWindow);
  std::vector<int> exitCodes;
  StopSignals stop(f.ctx, [&](int code) {
    exitCodes.push_back(code);
    EXPECT_FALSE(f.ctx.job.jobRunning);
    EXPECT_EQ(f.output.entries(), std::vector<std::string>{});
  });
  auto during = [&](WorkingWindow& window) {
    // Cancel has the focus, yet Enter must not cancel.
    if (row.act == Act::Enter) {
      EXPECT_EQ(window.focusWidget(), &child(window, "cancel"));
      QTest::keyClick(window.focusWidget(), Qt::Key_Return);
      return true;
    }
    // Mid-job: compression is under way.
    if (child<QProgressBar>(window, "bar3").value() < 1) return false;
    if (row.act == Act::CloseRequest) {
      EXPECT_FALSE(window.close());
      EXPECT_TRUE(child(window, "cancel").isDown()) << "pressed where it shows";
    }
    if (row.signal) std::raise(row.signal);
    EXPECT_TRUE(window.jobRunning()) << "the window must wait for the job to clean up";
    return true;
  };
  f.runWindow(row.act == Act::NoEncoder ? std::function<bool(WorkingWindow&)>() : during, [&](WorkingWindow& window) {
    std::vector<std::string> expected = row.shown;
    if (expected.back() == "<folder>") expected.back() = "in " + f.output.path();
    EXPECT_EQ(shown(window), expected);
    for (const auto& message : f.messages) EXPECT_EQ(message.owner, &window);
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  EXPECT_TRUE(!row.signal || QTest::qWaitFor([&] { return !exitCodes.empty(); }, 10000));
  EXPECT_EQ(exitCodes, row.signal ? std::vector<int>{128 + row.signal} : std::vector<int>{});
  EXPECT_EQ(f.host.owner(), &mainWindow);
  EXPECT_EQ(f.messages.size(), row.act == Act::NoEncoder ? 1u : 0u);
}

const std::vector<std::string> kCancelled{"Cancelled OK"};
const JobEnding kEndings[] = {
    {"EnterFinishes",
     Act::Enter,
     0,
     {"Finished Successfully! Launch Output OK", "Created web page \"snx1.htm\"",
      "Created Flash streaming animation \"snx1s.swf\"", "Created Flash controller animation \"snx1c.swf\"",
      "Created MP3 sound \"snx1.mp3\"", "<folder>"}},
    {"CloseRequest", Act::CloseRequest, 0, kCancelled},
    {"Sigterm", Act::Signal, SIGTERM, kCancelled},
    {"Sighup", Act::Signal, SIGHUP, kCancelled},
    {"Sigquit", Act::Signal, SIGQUIT, kCancelled},
    {"NoEncoder", Act::NoEncoder, 0, {"Failed OK"}},
};

INSTANTIATE_TEST_SUITE_P(Endings, WorkingWindowEndings, testing::ValuesIn(kEndings),
                         [](const testing::TestParamInfo<JobEnding>& info) { return info.param.name; });

// The page is served with the player; a launcher that fails, or a page that
// is gone, is reported each time.
TEST(WorkingWindow, LaunchOutputServesThePageOnTheLoopbackOrSaysWhyNot) {
  GuiJobFixture f(0.5);
  f.ctx.settings.outputMode = kOutputModeController;
  // The desktop's launcher: it keeps the address it is given and ends with the status in a file.
  test::TempFolder bin;
  test::writeFileText(bin.file("xdg-open"), "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/address\"\n"
                                            "exit $(cat \"$(dirname \"$0\")/status\")\n");
  fs::permissions(bin.file("xdg-open"), fs::perms::owner_all);
  test::writeFileText(bin.file("status"), "0");
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(bin.path()) + ":" + path);
  f.runWindow({}, [&](WorkingWindow& window) {
    click(window, "launchOutput");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(bin.file("address")); }, 10000));
    // The launcher gets a private page that forwards the browser to the served one.
    const std::string forwarding = test::readFileText(test::readFileText(bin.file("address")));
    std::smatch found;
    std::regex_search(forwarding, found, std::regex("location\\.replace\\(\"([^\"]*)\""));
    const QUrl page(QString::fromStdString(found[1]));
    EXPECT_EQ(page.host(), QStringLiteral("127.0.0.1"));
    httplib::Result served = httplib::Client("127.0.0.1", page.port()).Get(page.path().toStdString());
    EXPECT_EQ(served ? served->status : 0, 200);
    test::writeFileText(bin.file("status"), "4");
    click(window, "launchOutput");
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.messages.size() == 1; }, 10000)) << "a launcher that fails is reported";
    fs::remove(f.output.file("snx1.htm"));
    click(window, "launchOutput");
    for (const auto& shown : f.messages) EXPECT_EQ(shown.owner, &window);
    click(window, "ok");
  });
  qputenv("PATH", path);
  const std::string noLaunch = "Error: Could not launch the web page with the default browser.";
  EXPECT_EQ(std::size(f.messages), 2u);
  for (const auto& shown : f.messages) EXPECT_EQ(shown.text, noLaunch) << shown.owner;
}

// Bare containers need no name; every control, and the window itself, does.
void collectUnnamed(QAccessibleInterface* node, bool isWindow, std::vector<std::string>& unnamed) {
  if (!node || !node->isValid() || node->state().invisible) return;
  const std::set<QAccessible::Role> containers{QAccessible::Client,      QAccessible::Pane,
                                               QAccessible::Grouping,    QAccessible::Border,
                                               QAccessible::Separator,   QAccessible::Whitespace,
                                               QAccessible::LayeredPane, QAccessible::ScrollBar};
  if ((isWindow || !containers.count(node->role())) && node->text(QAccessible::Name).isEmpty()) {
    const char* role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role());
    unnamed.push_back(std::string(role ? role : "?") + " " +
                      (node->object() ? node->object()->objectName().toStdString() : ""));
  }
  for (int i = 0; i < node->childCount(); ++i) collectUnnamed(node->child(i), false, unnamed);
}

// A screen reader can name every control of every window, the window's own
// painted texts included, and every tab of the options.
TEST(Accessibility, EveryControlOfEachWindowHasAName) {
  GuiJobFixture f(0.5);
  auto walk = [](QWidget& window) {
    window.show();
    std::vector<std::string> unnamed;
    collectUnnamed(QAccessible::queryAccessibleInterface(&window), true, unnamed);
    EXPECT_EQ(unnamed, std::vector<std::string>{}) << window.objectName().toStdString();
  };
  MainWindow main(f.ctx, f.host);
  walk(main);
  TipDialog tip(f.ctx, nullptr);
  walk(tip);
  OutputTextDialog text(f.ctx, nullptr);
  walk(text);
  OptionsWindow options(f.ctx, f.host, nullptr);
  auto* tabs = options.findChild<QTabWidget*>();
  for (int tab = 0; tab < tabs->count(); ++tab) {
    tabs->setCurrentIndex(tab);
    walk(options);
  }
  auto during = [&](WorkingWindow& w) {
    walk(w);
    return true;
  };
  f.runWindow(during, [&](WorkingWindow& w) {
    walk(w);
    w.accept();
  });
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
    listed.insert(std::regex_replace((*it)[1].str(), std::regex("<var>([a-z]+)</var>"), "<$1>"));
  }
  EXPECT_EQ(listed, std::set<std::string>(std::begin(kAllMessages), std::end(kAllMessages)));
}

}  // namespace
}  // namespace sonaflux
