#include "ui/page_opener.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/app_paths.h"
#include "server/preview_server.h"
#include "writers/controller_list.h"
#include "writers/player_copy.h"
#include "writers/preview_page_writer.h"

namespace sonaflux {

namespace {

// A launcher still running after this long has handed the address to a
// browser that runs in its place; its exit status then says nothing about
// the launch.
constexpr qint64 kLaunchVerdictMs = 30'000;

std::unique_ptr<PreviewServer>& pageServer() {
  static std::unique_ptr<PreviewServer> server;
  return server;
}

// What the page loads: for the controllers' preview page (the one with a
// fallback folder) the controllers of both folders, else the files of the
// page's output set.
std::vector<std::string> filesOfPage(const std::string& folder, const std::string& page,
                                     const std::string& fallbackFolder) {
  if (fallbackFolder.empty()) return outputSetFiles(folder, page);
  std::vector<std::string> files = {page};
  for (const std::string& controllers : {folder, fallbackFolder}) {
    for (const std::string& name : listControllers(controllers)) {
      files.push_back(name + ".swf");
      files.push_back(name + ".htm");
    }
  }
  return files;
}

}  // namespace

bool launchAddress(const QUrl& url, LaunchFailed onFailure) {
  const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (launcher.isEmpty()) return false;
  // No parent: the program's end must not end a browser the launcher became.
  auto* process = new QProcess;
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  auto started = std::make_shared<QElapsedTimer>();
  QObject::connect(process, &QProcess::finished, process,
                   [process, started, onFailure = std::move(onFailure)](int code, QProcess::ExitStatus status) {
                     process->deleteLater();
                     const bool failed = status != QProcess::NormalExit || code != 0;
                     if (failed && onFailure && started->elapsed() < kLaunchVerdictMs) onFailure();
                   });
  started->start();
  process->start(launcher, {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
  if (process->waitForStarted()) return true;
  process->disconnect();
  delete process;
  return false;
}

bool openPageInBrowser(const std::string& path, LaunchFailed onFailure, const std::string& fallbackFolder) {
  if (!QFileInfo::exists(QString::fromStdString(path))) return false;
  std::unique_ptr<PreviewServer>& server = pageServer();
  if (!server) server = std::make_unique<PreviewServer>(programPlayerFolder(executableFolder()));
  const std::filesystem::path page(path);
  std::string folder = page.parent_path().string();
  folder += std::filesystem::path::preferred_separator;
  const std::string name = page.filename().string();
  if (!fallbackFolder.empty()) server->addFallback(folder, fallbackFolder);
  std::optional<std::string> address = server->addressFor(folder, name, filesOfPage(folder, name, fallbackFolder));
  // Through a private file: the address holds the server's key, and the
  // browser's command line shows to every user.
  std::optional<std::string> opener = address ? server->forwardingPageFor(*address) : std::nullopt;
  if (opener) return launchAddress(QUrl::fromLocalFile(QString::fromStdString(*opener)), std::move(onFailure));
  // Without the server the page still opens, for browsers that have a player.
  return launchAddress(QUrl::fromLocalFile(QString::fromStdString(path)), std::move(onFailure));
}

bool openHelpPage(const std::string& programFolder, LaunchFailed onFailure) {
  const QString path = QString::fromStdString(programFolder) + QStringLiteral("snxhelp.htm");
  // The launcher would start even for a missing file and fail out of sight.
  return QFileInfo::exists(path) && launchAddress(QUrl::fromLocalFile(path), std::move(onFailure));
}

void stopPageServer() { pageServer().reset(); }

}  // namespace sonaflux
