// Starts the desktop program's main window as the program does and prints
// when it was first painted, in milliseconds since the epoch, then ends.
// Used by scripts/screenshots.sh, which knows when it started the process.
//
//   first_paint_bench PROGRAM_FOLDER/
#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <cstdio>

#include "core/app_context.h"
#include "settings/parameters_file.h"
#include "ui/gui_host.h"
#include "ui/main_window.h"

namespace {

// Notes the end of the first paint: the timer fires once the paint event
// has been handled.
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !m_seen) {
      m_seen = true;
      QTimer::singleShot(0, [] {
        std::printf("first paint at %lld ms since the epoch\n",
                    static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        QApplication::quit();
      });
    }
    return false;
  }

 private:
  bool m_seen = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: first_paint_bench PROGRAM_FOLDER/\n");
    return 2;
  }
  sonaflux::GuiHost host;
  sonaflux::AppContext ctx(host);
  ctx.paths.programFolder = argv[1];
  sonaflux::readParameters(ctx);
  sonaflux::MainWindow window(ctx, host);
  host.setOwner(&window);
  FirstPaint firstPaint;
  window.installEventFilter(&firstPaint);
  window.show();
  return QApplication::exec();
}
