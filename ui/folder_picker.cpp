#include "ui/folder_picker.h"

#include <QDir>
#include <QFileDialog>

namespace sonaflux {

std::string folderWithSeparator(const QString& folder) {
  QString path = QDir::toNativeSeparators(folder);
  if (!path.endsWith(QDir::separator())) path += QDir::separator();
  return path.toStdString();
}

std::optional<std::string> pickFolder(QWidget* owner, const QString& prompt, const QString& startFolder) {
  const QString folder = QFileDialog::getExistingDirectory(owner, prompt, startFolder, QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folderWithSeparator(folder);
}

}  // namespace sonaflux
