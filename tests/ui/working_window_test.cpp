#include "ui/working_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <csignal>
#include <filesystem>
#include <httplib.h>

#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "tests/ui/gui_fixture.h"
#include "ui/stop_signals.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::child;
using test::click;

// Receives the addresses the program hands to the browser.
class BrowserStandIn : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
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
    bool duringDone = !during;
    bool afterDone = false;
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
    texts.push_back(line->text().toStdString());
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
    std::vector<std::string> shown;
    std::vector<std::string> files;
    int signal = 0;
  };
  const std::string page = "Created web page \"snx1.htm\"", stream = "Created Flash streaming animation \"snx1s.swf\"";
  const std::string finished = "Finished Successfully! Launch Output OK";
  const std::vector<std::string> cancelled{"Cancelled OK", "", "", ""};
  const std::int32_t bare = kOutputModeBareLooping;
  const Row rows[] = {
      {Enter, 1, bare, {finished, page, stream, ""}, {"snx1.htm", "snx1s.swf"}},
      {Enter, 1, kOutputModeController, {finished, page, stream, "Created Flash controller animation \"snx1c.swf\""},
       {"snx1.htm", "snx1c.swf", "snx1s.swf"}},
      {CancelButton, 30, bare, cancelled, {}},
      {EscapeKey, 30, bare, cancelled, {}},
      {CloseRequest, 30, bare, cancelled, {}},
      {CancelThenClose, 30, bare, cancelled, {}},
      {Signal, 30, bare, cancelled, {}, SIGTERM},
      {Signal, 30, bare, cancelled, {}, SIGHUP},
      {Signal, 30, bare, cancelled, {}, SIGQUIT},
      {NoEncoder, 0.5, bare, {"Failed OK", "", "", ""}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.act << " " << row.signal);
    GuiJobFixture f(row.seconds);
    f.ctx.settings.outputMode = row.mode;
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
      const int compressed = child<QProgressBar>(window, "bar3").value();
      if (compressed < 1) return false;
      EXPECT_FALSE(f.output.entries().empty());
      if (row.act == CancelButton || row.act == CancelThenClose) click(window, "cancel");
      if (row.act == EscapeKey) QTest::keyClick(&window, Qt::Key_Escape);
      if (row.act == CloseRequest || row.act == CancelThenClose) {
        EXPECT_FALSE(window.close());
      }
      if (row.signal) std::raise(row.signal);
      EXPECT_TRUE(window.isVisible());
      EXPECT_TRUE(window.jobRunning()) << "the window must wait for the job to clean up";
      return true;
    };
    f.runWindow(row.act == NoEncoder ? std::function<bool(WorkingWindow&)>() : during, [&](WorkingWindow& window) {
      EXPECT_EQ(shown(window), row.shown);
      for (const auto& shown : f.messages) EXPECT_EQ(shown.owner, &window);
      if (row.mode == kOutputModeController) QTest::keyClick(&window, Qt::Key_Escape);
      else click(window, "ok");
    });
    EXPECT_TRUE(!row.signal || QTest::qWaitFor([&] { return !exitCodes.empty(); }, 5000));
    EXPECT_EQ(exitCodes, row.signal ? std::vector<int>{128 + row.signal} : std::vector<int>{});
    EXPECT_EQ(f.output.entries(), row.files);
    EXPECT_EQ(f.host.owner(), &mainWindow);
    EXPECT_EQ(f.messages.size(), row.act == NoEncoder ? 1u : 0u);
  }
}

// The page is served with the player; once it is gone, each try says so.
TEST(WorkingWindow, LaunchOutputServesThePageOnTheLoopbackOrReportsItMissing) {
  GuiJobFixture f(0.5);
  f.ctx.settings.outputMode = kOutputModeController;
  BrowserStandIn browser;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
  f.runWindow({}, [&](WorkingWindow& window) {
    click(window, "launchOutput");
    ASSERT_EQ(browser.opened.size(), 1u);
    const QUrl page = browser.opened[0];
    EXPECT_EQ(page.host(), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(page.path().endsWith(QStringLiteral("/snx1.htm"))) << page.toString().toStdString();
    httplib::Client client("127.0.0.1", page.port());
    httplib::Result served = client.Get(page.path().toStdString());
    ASSERT_TRUE(served);
    EXPECT_EQ(served->status, 200);
    EXPECT_TRUE(f.messages.empty());
    fs::remove(f.output.file("snx1.htm"));
    click(window, "launchOutput");
    click(window, "launchOutput");
    EXPECT_TRUE(window.isVisible());
    for (const auto& shown : f.messages) EXPECT_EQ(shown.owner, &window);
    click(window, "ok");
  });
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  EXPECT_EQ(browser.opened.size(), 1u);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[0].text, "Error: Could not launch the web page with the default browser.");
  EXPECT_EQ(f.host.owner(), nullptr);
}

}  // namespace
}  // namespace sonaflux

#include "working_window_test.moc"
