// Draws the program's windows offscreen into PNG files for the README: the
// Options window's tabs (options-<tab>.png) with the folder's settings, then
// the main window, the working window after a real job on the input and the
// tip of the day.
//
//   sonaflux_grab_windows PROGRAM_FOLDER/ INPUT.wav PICTURE_FOLDER/
#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "core/app_context.h"
#include "settings/parameters_file.h"
#include "ui/coloured_edit.h"
#include "ui/gui_host.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/tip_dialog.h"
#include "ui/working_window.h"

namespace {

using namespace sonaflux;

// What the window shows on screen: its pixels inside its shape only.
QImage shaped(QWidget& window) {
  QImage shot = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRegion shape = window.mask().isEmpty() ? QRegion(window.rect()) : window.mask();
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (!shape.contains(QPoint(x, y))) shot.setPixel(x, y, 0);
  return shot;
}

void save(const QImage& image, const QString& path) {
  if (!image.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: sonaflux_grab_windows PROGRAM_FOLDER/ INPUT.wav PICTURE_FOLDER/\n");
    return 2;
  }
  const QString pictures = QString::fromLocal8Bit(argv[3]);
  GuiHost host;
  host.setMessageResponder([](const std::string& text, MessageIcon, MessageButtons buttons) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  });
  host.setTerminateHandler([](int code) { std::exit(code); });
  AppContext ctx(host);
  ctx.paths.programFolder = argv[1];
  readParameters(ctx);

  {
    OptionsWindow options(ctx, host, nullptr);
    options.show();
    auto* tabs = options.findChild<QTabWidget*>();
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      QApplication::processEvents();
      save(options.grab().toImage(), QStringLiteral("%1/options-%2.png").arg(pictures, tabs->tabText(i).toLower()));
    }
  }

  QTemporaryDir output;
  ctx.settings.showTipsAtStartup = false;
  ctx.settings.toDesktop = false;
  ctx.settings.outputFolderPath = output.path().toStdString() + "/";
  ctx.paths.desktopFolder = ctx.settings.outputFolderPath;
  if (!saveParameters(ctx)) return 1;
  MainWindow window(ctx, host);
  host.setOwner(&window);
  window.fileNameBox()->setText(QStringLiteral("/home/ann/Music/evening-tune.mp3"));
  window.show();
  QApplication::processEvents();
  save(shaped(window), pictures + QStringLiteral("/main-window.png"));

  ctx.inputs.inputPath = argv[2];
  ctx.inputs.inputIsWav = true;
  ctx.inputs.inputTitle = "Evening Tune";
  WorkingWindow working(ctx, host, &window);
  working.show();
  while (!working.jobStarted() || working.jobRunning()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QApplication::processEvents();
  if (working.report().outcome != JobOutcome::Finished) return 1;
  save(shaped(working), pictures + QStringLiteral("/working-window.png"));
  working.accept();

  // The tip of the day, as the main window opens it.
  TipDialog tip(ctx, &window);
  tip.show();
  QApplication::processEvents();
  save(tip.grab().toImage(), pictures + QStringLiteral("/tip-window.png"));
  return 0;
}
