#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>

#include "core/app_context.h"
#include "core/messages.h"
#include "platform/app_paths.h"
#include "settings/parameters_file.h"
#include "settings/settings_folder.h"
#include "ui/folder_picker.h"
#include "ui/gui_host.h"
#include "ui/main_window.h"
#include "ui/page_opener.h"
#include "ui/stop_signals.h"
#include "ui/tip_dialog.h"
#include "writers/controller_list.h"

namespace {

std::string desktopFolder() {
  QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (desktop.isEmpty()) return sonaflux::userDesktopFolder();
  // Many installations have no desktop folder; output then goes home.
  if (!QFileInfo(desktop).isDir()) return sonaflux::userHomeFolder();
  desktop = QDir::toNativeSeparators(desktop);
  if (!desktop.endsWith(QDir::separator())) desktop += QDir::separator();
  return desktop.toStdString();
}

QIcon programIcon() {
  QIcon icon;
  for (const char* name : {":/artwork/icon16.png", ":/artwork/icon32.png", ":/artwork/icon128.png"}) {
    icon.addFile(QString::fromLatin1(name));
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sonaflux;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sonaflux"));
  QGuiApplication::setDesktopFileName(QStringLiteral("sonaflux"));
  QApplication::setWindowIcon(programIcon());

  GuiHost host;
  AppContext ctx(host);
  ctx.paths.programFolder = executableFolder();
  ctx.paths.desktopFolder = desktopFolder();
  // A settings folder that cannot be written, or a missing or short
  // parameters file, ends the program here, before any window.
  setUpSettingsFolder(ctx);
  readParameters(ctx);

  // Every modal loop ends too, once a cancelled job has cleaned up.
  StopSignals stopSignals(ctx, [](int code) { QApplication::exit(code); });

  MainWindow window(ctx, host);
  host.setOwner(&window);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window.move(screen->availableGeometry().center() - window.rect().center());
  }
  window.show();
  const int code = QApplication::exec();
  stopPageServer();
  return code;
}
