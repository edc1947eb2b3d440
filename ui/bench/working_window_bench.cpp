// Runs one conversion job through the desktop program's working window
// (offscreen), as the main window would, and prints the job's wall time and
// processor time in seconds, the number of pumps it made and what one pump
// costs. Used by
// working_window_bench.sh against the command line.
//
//   working_window_bench PROGRAM_FOLDER/ INPUT.wav OUTPUT_FOLDER/
#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "core/app_context.h"
#include "settings/parameters_file.h"
#include "ui/gui_host.h"
#include "ui/working_window.h"

namespace {

// Counts the pumps, to tell what one costs.
class CountingHost : public sonaflux::GuiHost {
 public:
  void pumpMessages() override {
    ++pumps;
    GuiHost::pumpMessages();
  }
  long pumps = 0;
};

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class OnShow : public QObject {
 public:
  explicit OnShow(std::function<void()> action) : m_action(std::move(action)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) m_action();
    return false;
  }

 private:
  std::function<void()> m_action;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PROGRAM_FOLDER/ INPUT.wav OUTPUT_FOLDER/\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  CountingHost host;
  host.setMessageResponder([](const std::string& text, sonaflux::MessageIcon, sonaflux::MessageButtons) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return sonaflux::MessageAnswer::Yes;
  });
  sonaflux::AppContext ctx(host);
  ctx.paths.programFolder = argv[1];
  ctx.paths.desktopFolder = argv[3];
  sonaflux::readParameters(ctx);
  ctx.inputs.inputPath = argv[2];
  ctx.inputs.inputIsWav = true;
  ctx.inputs.inputTitle = "bench";
  ctx.inputs.outputFolderOverride = argv[3];

  sonaflux::WorkingWindow window(ctx, host, nullptr);
  QElapsedTimer clock;
  double seconds = 0;
  double processor = 0;
  // OK shows the moment the job has ended; no timer may run during the job,
  // or it would add to the pumping being measured.
  double pumpMicroseconds = 0;
  OnShow okShown([&] {
    seconds = clock.nsecsElapsed() / 1e9;
    processor = processorSeconds() - processor;
    // What one pump costs on its own, with the window up and nothing to do.
    const long pumps = host.pumps;
    const double before = processorSeconds();
    for (long i = 0; i < pumps; ++i) host.GuiHost::pumpMessages();
    pumpMicroseconds = (processorSeconds() - before) * 1e6 / std::max(pumps, 1L);
    QTimer::singleShot(0, &window, &QDialog::accept);
  });
  window.findChild<QPushButton*>(QStringLiteral("ok"))->installEventFilter(&okShown);
  processor = processorSeconds();
  clock.start();
  window.exec();
  // Wall and processor seconds of the job alone, the pumps it made and the
  // processor microseconds of one idle pump.
  std::printf("%.3f %.3f %ld %.2f\n", seconds, processor, host.pumps, pumpMicroseconds);
  return window.report().outcome == sonaflux::JobOutcome::Finished ? 0 : 1;
}
