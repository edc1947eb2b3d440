#include "ui/working_window.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <httplib.h>

#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "tests/ui/gui_fixture.h"
#include "tests/ui/modal.h"
#include "ui/stop_signals.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::child;

// Receives the addresses the program hands to the browser.
class BrowserStandIn : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

// A job run through the working window over a private program folder.
struct GuiJobFixture : test::GuiFixture {
  void setWavInput(double seconds) {
    const std::string path = inputs.file("tune.wav");
    test::writeFileBytes(path, test::makePcmWav(44100, 2, 16, test::chordSequence(seconds, 44100, 2)));
    ctx.inputs.inputPath = path;
    ctx.inputs.inputIsWav = true;
    ctx.inputs.inputTitle = "Tune";
  }

  // Runs the window modally, as the main window does. `duringJob` is asked
  // at every turn of the event loop while the job runs until it returns
  // true; `afterJob` runs once the outcome shows and must close the window.
  void runWindow(const std::function<bool(WorkingWindow&)>& duringJob,
                 const std::function<void(WorkingWindow&)>& afterJob) {
    WorkingWindow window(ctx, host, nullptr);
    bool duringDone = !duringJob;
    bool afterDone = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (window.jobRunning() && !duringDone) duringDone = duringJob(window);
      if (window.jobStarted() && !window.jobRunning() && !afterDone) {
        afterDone = true;
        EXPECT_TRUE(window.isVisible()) << "the window left before the job had ended";
        test::grabIfAsked(window, "working_window");
        afterJob(window);
      }
    });
    watcher.start(1);
    QElapsedTimer clock;
    clock.start();
    QTimer safety;
    QObject::connect(&safety, &QTimer::timeout, [&] {
      ADD_FAILURE() << "the window did not close";
      window.done(QDialog::Rejected);
    });
    safety.start(120000);
    window.exec();
    EXPECT_TRUE(afterDone);
    EXPECT_TRUE(duringDone) << "the job ended before the test could act on it";
  }
};

std::vector<std::string> resultLines(QWidget& window) {
  std::vector<std::string> lines;
  for (QLabel* line : window.findChildren<QLabel*>(QStringLiteral("resultLine")))
    lines.push_back(line->text().toStdString());
  return lines;
}

// The outcome words and buttons as the user sees them, e.g. "Cancelled OK".
std::string visibleOutcome(QWidget& window) {
  std::string shown;
  for (const char* name : {"finished", "failed", "cancelled", "launchOutput", "cancel", "ok"}) {
    QWidget* widget = window.findChild<QWidget*>(QLatin1String(name));
    if (!widget || !widget->isVisible()) continue;
    QString text = widget->property("text").toString().remove(QLatin1Char('&'));
    shown += (shown.empty() ? "" : " ") + text.toStdString();
  }
  return shown;
}

void click(QWidget& window, const char* name) { QTest::mouseClick(&child<QPushButton>(window, name), Qt::LeftButton); }

TEST(WorkingWindow, FinishedJobListsTheCreatedFilesAndEndsWithOkOrEscape) {
  // Enter is pressed while the job runs: it must not cancel it.
  struct Row {
    const char* why;
    std::int32_t outputMode;
    bool closeWithEscape;
    std::vector<std::string> lines;
    std::vector<std::string> files;
  };
  const Row rows[] = {
      {"bare output",
       kOutputModeBareLooping,
       false,
       {"Created web page \"snx1.htm\"", "Created Flash streaming animation \"snx1s.swf\"", ""},
       {"snx1.htm", "snx1s.swf"}},
      {"controller output",
       kOutputModeController,
       true,
       {"Created web page \"snx1.htm\"", "Created Flash streaming animation \"snx1s.swf\"",
        "Created Flash controller animation \"snx1c.swf\""},
       {"snx1.htm", "snx1c.swf", "snx1s.swf"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    GuiJobFixture f;
    f.ctx.settings.outputMode = row.outputMode;
    f.setWavInput(1.0);
    QWidget mainWindow;
    f.host.setOwner(&mainWindow);
    auto pressEnter = [](WorkingWindow& window) {
      EXPECT_EQ(window.focusWidget(), &child<QPushButton>(window, "cancel"));
      QTest::keyClick(window.focusWidget(), Qt::Key_Return);
      return true;
    };
    f.runWindow(pressEnter, [&](WorkingWindow& window) {
      EXPECT_EQ(visibleOutcome(window), "Finished Successfully! Launch Output OK");
      EXPECT_EQ(resultLines(window), row.lines);
      for (const char* bar : {"bar1", "bar2", "bar3", "bar4"}) EXPECT_EQ(child<QProgressBar>(window, bar).value(), 101) << bar;
      EXPECT_EQ(f.host.owner(), &mainWindow);
      if (row.closeWithEscape) QTest::keyClick(&window, Qt::Key_Escape);
      else click(window, "ok");
    });
    EXPECT_EQ(f.output.entries(), row.files);
    EXPECT_EQ(f.numberOnDisk(), 2);
    EXPECT_TRUE(f.messages.empty());
  }
}

TEST(WorkingWindow, CancelEscapeAndCloseDuringTheJobCancelItAndRemoveItsFiles) {
  enum Way { CancelButton, EscapeKey, CloseRequest, CancelThenClose };
  const std::pair<const char*, Way> rows[] = {
      {"Cancel button", CancelButton},
      {"Escape", EscapeKey},
      {"close request", CloseRequest},
      {"Cancel and then the close request", CancelThenClose},
  };
  for (const auto& [why, way] : rows) {
    SCOPED_TRACE(why);
    GuiJobFixture f;
    f.setWavInput(30.0);
    int compressedAtCancel = -1;
    f.runWindow(
        [&](WorkingWindow& window) {
          // Mid-job: the output files exist and compression is under way.
          const int compressed = child<QProgressBar>(window, "bar3").value();
          if (compressed < 1) return false;
          compressedAtCancel = compressed;
          EXPECT_EQ(f.numberOnDisk(), 2);
          if (way == CancelButton || way == CancelThenClose) click(window, "cancel");
          if (way == EscapeKey) QTest::keyClick(&window, Qt::Key_Escape);
          if (way == CloseRequest || way == CancelThenClose) {
            EXPECT_FALSE(window.close());
          }
          EXPECT_TRUE(window.isVisible());
          EXPECT_TRUE(window.jobRunning()) << "the window must wait for the job to clean up";
          return true;
        },
        [&](WorkingWindow& window) {
          EXPECT_EQ(visibleOutcome(window), "Cancelled OK");
          EXPECT_EQ(resultLines(window), std::vector<std::string>(3, ""));
          click(window, "ok");
        });
    EXPECT_GT(compressedAtCancel, 0);
    EXPECT_LT(compressedAtCancel, 101);
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_EQ(f.numberOnDisk(), 1);
    EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
    EXPECT_TRUE(f.messages.empty());
  }
}

TEST(WorkingWindow, FailedJobShowsItsMessageOverTheWindowAndNoResults) {
  GuiJobFixture f;
  fs::remove(f.program.file("lame_enc.so"));
  f.setWavInput(0.5);
  QWidget mainWindow;
  f.host.setOwner(&mainWindow);
  QWidget* windowSeen = nullptr;
  f.runWindow({}, [&](WorkingWindow& window) {
    windowSeen = &window;
    EXPECT_EQ(visibleOutcome(window), "Failed OK");
    EXPECT_EQ(resultLines(window), std::vector<std::string>(3, ""));
    click(window, "ok");
  });
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "Error: Cannot load DLL \"" + f.program.file("lame_enc.so") + "\".");
  EXPECT_EQ(f.messages[0].owner, windowSeen);
  EXPECT_EQ(f.host.owner(), &mainWindow);
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.numberOnDisk(), 1);
}

// The page is served with the player; once it is gone, each try says so.
TEST(WorkingWindow, LaunchOutputServesThePageOnTheLoopbackOrReportsItMissing) {
  GuiJobFixture f;
  f.ctx.settings.outputMode = kOutputModeController;
  f.setWavInput(0.5);
  BrowserStandIn browser;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
  QWidget* windowSeen = nullptr;
  f.runWindow({}, [&](WorkingWindow& window) {
    windowSeen = &window;
    click(window, "launchOutput");
    ASSERT_EQ(browser.opened.size(), 1u);
    const QUrl page = browser.opened[0];
    EXPECT_EQ(page.host(), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(page.path().endsWith(QStringLiteral("/snx1.htm"))) << page.toString().toStdString();
    httplib::Client client("127.0.0.1", page.port());
    httplib::Result served = client.Get(page.path().toStdString());
    ASSERT_TRUE(served);
    EXPECT_EQ(served->status, 200);
    EXPECT_NE(served->body.find("/player/ruffle.js"), std::string::npos);
    // The file on disk stays the classic page, and the animations come from the same place.
    EXPECT_EQ(test::readFileText(f.output.file("snx1.htm")).find("ruffle"), std::string::npos);
    std::string folder = page.path().toStdString();
    folder.erase(folder.rfind('/') + 1);
    for (const char* name : {"snx1s.swf", "snx1c.swf"}) {
      httplib::Result swf = client.Get(folder + name);
      ASSERT_TRUE(swf) << name;
      EXPECT_EQ(swf->status, 200) << name;
      EXPECT_EQ(swf->body, test::readFileText(f.output.file(name))) << name;
    }
    EXPECT_TRUE(f.messages.empty());
    fs::remove(f.output.file("snx1.htm"));
    click(window, "launchOutput");
    click(window, "launchOutput");
    EXPECT_TRUE(window.isVisible());
    click(window, "ok");
  });
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  EXPECT_EQ(browser.opened.size(), 1u);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[0].text, "Error: Could not launch the web page with the default browser.");
  EXPECT_EQ(f.messages[0].owner, windowSeen);
  EXPECT_EQ(f.host.owner(), nullptr);
}

TEST(WorkingWindow, StopSignalsCancelTheJobAndEndTheProgramOnlyAfterItsCleanUp) {
  for (int signal : {SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(signal);
    GuiJobFixture f;
    f.setWavInput(30.0);
    std::vector<int> codes;
    std::vector<std::string> outputWhenEnded;
    StopSignals stop(f.ctx, [&](int code) {
      codes.push_back(code);
      EXPECT_FALSE(f.ctx.job.jobRunning);
      outputWhenEnded = f.output.entries();
    });
    auto sendOnce = [&](WorkingWindow&) {
      if (f.output.entries().empty()) return false;  // not before the set exists
      std::raise(signal);
      return true;
    };
    f.runWindow(sendOnce, [&](WorkingWindow& window) {
      EXPECT_EQ(visibleOutcome(window), "Cancelled OK");
      click(window, "ok");
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !codes.empty(); }, 5000));
    EXPECT_EQ(codes, std::vector<int>{128 + signal});
    EXPECT_TRUE(outputWhenEnded.empty()) << testing::PrintToString(outputWhenEnded);
    EXPECT_EQ(f.numberOnDisk(), 1);
  }
}

}  // namespace
}  // namespace sonaflux

#include "working_window_test.moc"
