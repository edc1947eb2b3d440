#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <string>

namespace sonaflux {

/// Lets the user choose a folder. The result ends in the separator;
/// nothing when the user cancels.
std::optional<std::string> pickFolder(QWidget* owner, const QString& prompt = QStringLiteral("Open"),
                                      const QString& startFolder = QString());

/// A chosen folder as the settings keep it: ending in the separator.
std::string folderWithSeparator(const QString& folder);

}  // namespace sonaflux
