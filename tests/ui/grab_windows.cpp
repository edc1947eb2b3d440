// Draws the program's windows offscreen into PNG files for the README:
//   sonaflux_grab_windows <folder>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <string>

#include "core/app_context.h"
#include "settings/parameters_file.h"
#include "tests/support/program_copy.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/gui_host.h"
#include "ui/main_window.h"
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

bool save(const QImage& image, const QString& path) {
  if (!image.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: sonaflux_grab_windows <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/");

  GuiHost host;
  host.setMessageResponder([](const std::string& text, MessageIcon, MessageButtons buttons) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  });
  host.setTerminateHandler([](int code) { std::exit(code); });
  AppContext ctx(host);

  // The shipped settings in a private program folder.
  test::TempFolder program;
  test::TempFolder output;
  test::TempFolder inputs;
  test::copyJobFiles(program.path());
  std::optional<SettingsRecord> settings =
      decodeParameters(test::readFileText(test::sourceFolder() + "data/snx.da0"));
  if (!settings) return 1;
  ctx.settings = *settings;
  ctx.settings.showTipsAtStartup = false;
  ctx.settings.toDesktop = false;
  ctx.settings.outputFolderPath = output.path();
  ctx.paths.programFolder = program.path();
  ctx.paths.desktopFolder = output.path();
  if (!saveParameters(ctx)) return 1;

  MainWindow window(ctx, host);
  host.setOwner(&window);
  window.fileNameBox()->setText(QStringLiteral("/home/ann/Music/evening-tune.mp3"));
  window.show();
  QApplication::processEvents();
  if (!save(shaped(window), folder + QStringLiteral("main-window.png"))) return 1;

  // A real job on a short tune, grabbed once it has finished.
  ctx.inputs.inputPath = inputs.file("evening-tune.wav");
  test::writeFileBytes(ctx.inputs.inputPath, test::makePcmWav(22050, 2, 16, test::chordSequence(3.0, 22050, 2)));
  ctx.inputs.inputIsWav = true;
  ctx.inputs.inputTitle = "Evening Tune";
  WorkingWindow working(ctx, host, &window);
  working.show();
  while (!working.jobStarted() || working.jobRunning()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QApplication::processEvents();
  if (working.report().outcome != JobOutcome::Finished) return 1;
  if (!save(shaped(working), folder + QStringLiteral("working-window.png"))) return 1;
  return 0;
}
