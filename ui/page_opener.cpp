#include "ui/page_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
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

std::unique_ptr<PreviewServer>& pageServer() {
  static std::unique_ptr<PreviewServer> server;
  return server;
}

// What the page loads: the controllers for their preview page, else the
// files of the page's output set.
std::vector<std::string> filesOfPage(const std::string& path, const std::string& folder, const std::string& page) {
  const std::string programFolder = executableFolder();
  if (std::filesystem::path(path) != std::filesystem::path(previewPagePath(programFolder)))
    return outputSetFiles(folder, page);
  std::vector<std::string> files;
  for (const std::string& name : listControllers(controllersFolder(programFolder))) {
    files.push_back(name + ".swf");
    files.push_back(name + ".htm");
  }
  return files;
}

}  // namespace

bool openPageInBrowser(const std::string& path) {
  if (!QFileInfo::exists(QString::fromStdString(path))) return false;
  std::unique_ptr<PreviewServer>& server = pageServer();
  if (!server) server = std::make_unique<PreviewServer>(programPlayerFolder(executableFolder()));
  const std::filesystem::path page(path);
  std::string folder = page.parent_path().string();
  folder += std::filesystem::path::preferred_separator;
  const std::string name = page.filename().string();
  std::optional<std::string> address = server->addressFor(folder, name, filesOfPage(path, folder, name));
  // Through a private file: the address holds the server's key, and the
  // browser's command line shows to every user.
  std::optional<std::string> opener = address ? server->forwardingPageFor(*address) : std::nullopt;
  if (opener) return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(*opener)));
  // Without the server the page still opens, for browsers that have a player.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void stopPageServer() { pageServer().reset(); }

}  // namespace sonaflux
