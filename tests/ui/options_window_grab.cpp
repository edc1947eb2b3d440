// Opens the Options window on a program folder and saves a picture of each
// tab: options_window_grab PROGRAM_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QTabWidget>

#include <cstdio>

#include "settings/parameters_file.h"
#include "tests/support/recording_host.h"
#include "ui/options_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: options_window_grab PROGRAM_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  sonaflux::test::RecordingHost host;
  sonaflux::AppContext ctx(host);
  ctx.paths.programFolder = std::string(argv[1]) + "/";
  sonaflux::readParameters(ctx);
  if (!host.terminations.empty()) return 1;

  sonaflux::OptionsWindow window(ctx, nullptr);
  window.show();
  auto* tabs = window.findChild<QTabWidget*>();
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    QApplication::processEvents();
    QString name = QString("%1/options-%2.png").arg(argv[2]).arg(tabs->tabText(i).toLower());
    if (!window.grab().save(name)) return 1;
    std::printf("%s\n", name.toUtf8().constData());
  }
  return 0;
}
