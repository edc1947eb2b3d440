#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QMetaEnum>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

namespace sonaflux::test {

// Bare containers need no name; every control, and the window itself, does.
inline bool needsName(QAccessible::Role role) {
  const QAccessible::Role containers[] = {QAccessible::Client,      QAccessible::Pane,      QAccessible::Grouping,
                                          QAccessible::Border,      QAccessible::Separator, QAccessible::Whitespace,
                                          QAccessible::LayeredPane, QAccessible::ScrollBar};
  return std::find(std::begin(containers), std::end(containers), role) == std::end(containers);
}

inline void collectUnnamed(QAccessibleInterface* node, bool isWindow, std::vector<std::string>& unnamed) {
  if (!node || !node->isValid() || node->state().invisible) return;
  if ((isWindow || needsName(node->role())) && node->text(QAccessible::Name).isEmpty()) {
    const char* role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role());
    unnamed.push_back(std::string(role ? role : "?") + " " +
                      (node->object() ? node->object()->objectName().toStdString() : ""));
  }
  for (int i = 0; i < node->childCount(); ++i) collectUnnamed(node->child(i), false, unnamed);
}

/// The visible controls of the window, the window included, that a screen
/// reader would announce without a name, as "Role objectName", walked
/// through Qt's accessibility interface.
inline std::vector<std::string> unnamedControls(QWidget& window) {
  std::vector<std::string> unnamed;
  collectUnnamed(QAccessible::queryAccessibleInterface(&window), true, unnamed);
  return unnamed;
}

}  // namespace sonaflux::test
