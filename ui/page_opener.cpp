#include "ui/page_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/app_paths.h"
#include "server/preview_server.h"
#include "writers/player_copy.h"

namespace sonaflux {

namespace {

std::unique_ptr<PreviewServer>& pageServer() {
  static std::unique_ptr<PreviewServer> server;
  return server;
}

}  // namespace

bool openPageInBrowser(const std::string& path, const std::string& fallbackFolder) {
  if (!QFileInfo::exists(QString::fromStdString(path))) return false;
  std::unique_ptr<PreviewServer>& server = pageServer();
  if (!server) server = std::make_unique<PreviewServer>(programPlayerFolder(executableFolder()));
  const std::filesystem::path page(path);
  std::string folder = page.parent_path().string();
  folder += std::filesystem::path::preferred_separator;
  if (!fallbackFolder.empty()) server->addFallback(folder, fallbackFolder);
  if (std::optional<std::string> address = server->addressFor(folder, page.filename().string()))
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(*address)));
  // Without the server the page still opens, for browsers that have a player.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void stopPageServer() { pageServer().reset(); }

}  // namespace sonaflux
