#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <gtest/gtest.h>
#include <vector>

#include "tests/support/wav_fixture.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/main_window.h"
#include "ui/skinned_button.h"
#include "ui/working_window.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;

// Clicks the named button of the modal window in front as soon as `ready`
// says so, checking every 10 ms. A window that never gets ready fails the
// test after a minute and is closed, so that the test ends.
void clickWhenReady(const char* buttonName, std::function<bool(QWidget&)> ready, std::function<void()> then = {}) {
  constexpr int kGiveUpTicks = 6000;
  auto* poll = new QTimer;
  poll->setInterval(10);
  auto ticks = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, buttonName, ready, then, ticks] {
    QWidget* modal = QApplication::activeModalWidget();
    if (++*ticks > kGiveUpTicks) {
      ADD_FAILURE() << "the window for " << buttonName << " never got ready";
      poll->stop();
      poll->deleteLater();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
      return;
    }
    if (!modal || !ready(*modal)) return;
    auto* button = modal->findChild<QAbstractButton*>(QLatin1String(buttonName));
    if (!button || !button->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    if (then) then();
    button->click();
  });
  poll->start();
}

// The main window over a private copy of the program folder, with a short
// WAV typed into its file-name box.
class MainWindowCreate : public testing::Test, public test::GuiFixture {
 protected:
  void SetUp() override {
    ctx.settings.outputMode = kOutputModeController;
    ASSERT_TRUE(saveParameters(ctx));
    input = inputs.file("chords.wav");
    test::writeFileBytes(input, test::makePcmWav(22050, 1, 16, test::chordSequence(1.5, 22050, 1)));
    window.emplace(ctx, host);
    host.setOwner(&*window);
    window->show();
    window->fileNameBox()->setText(QString::fromStdString(input));
  }

  std::string input;
  std::optional<MainWindow> window;
};

// The create command as a user runs it: Create, OK in the Output Text
// window, the job in the working window, OK at its end.
TEST_F(MainWindowCreate, RunsTheWholeCommandAndEachRunTakesTheNextNumber) {

  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    std::vector<std::string> resultLines;
    clickWhenReady("ok", [](QWidget& w) { return w.objectName() == QLatin1String("outputTextWindow"); });
    clickWhenReady(
        "ok",
        [](QWidget& w) {
          auto* working = dynamic_cast<WorkingWindow*>(&w);
          return working && working->jobStarted() && !working->jobRunning();
        },
        [&] {
          auto* working = dynamic_cast<WorkingWindow*>(QApplication::activeModalWidget());
          EXPECT_EQ(working->report().outcome, JobOutcome::Finished);
          for (const CreatedFile& file : working->report().createdFiles) resultLines.push_back(resultLine(file));
        });
    window->createButton()->click();

    const std::string base = "snx" + std::to_string(run);
    EXPECT_EQ(resultLines, (std::vector<std::string>{"Created web page \"" + base + ".htm\"",
                                                     "Created Flash streaming animation \"" + base + "s.swf\"",
                                                     "Created Flash controller animation \"" + base + "c.swf\""}));
    for (const std::string& name : {base + ".htm", base + "s.swf", base + "c.swf"}) {
      EXPECT_GT(fs::file_size(output.file(name)), 0u) << name;
    }
    EXPECT_EQ(readOutputNumberOnDisk(program.path()), run + 1);
    EXPECT_EQ(host.owner(), &*window);
  }
  EXPECT_EQ(window->fileNameBox()->text().toStdString(), input);
  EXPECT_TRUE(messages.empty()) << messages.front().text;
  EXPECT_FALSE(exitCode.has_value());
}

TEST_F(MainWindowCreate, CancelInTheOutputTextWindowRunsNoJob) {
  bool workingWindowOpened = false;
  clickWhenReady("cancel", [&](QWidget& w) {
    workingWindowOpened |= dynamic_cast<WorkingWindow*>(&w) != nullptr;
    return w.objectName() == QLatin1String("outputTextWindow");
  });
  window->createButton()->click();
  EXPECT_FALSE(workingWindowOpened);
  EXPECT_FALSE(ctx.job.jobStarted);
  EXPECT_TRUE(ctx.inputs.inputCheckFailed);
  EXPECT_TRUE(output.entries().empty());
  EXPECT_EQ(readOutputNumberOnDisk(program.path()), 1);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace sonaflux
