#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QMetaEnum>
#include <QWidget>
#include <string>
#include <vector>

namespace sonaflux::test {

// One object of a window as a screen reader meets it.
struct AccessibleEntry {
  std::string role;  // "PushButton"
  std::string name;
  std::string objectName;
  bool needsName;  // a control or a window, not a bare container
};

inline bool isContainer(QAccessible::Role role) {
  switch (role) {
    case QAccessible::Client:
    case QAccessible::Pane:
    case QAccessible::Grouping:
    case QAccessible::Border:
    case QAccessible::Separator:
    case QAccessible::Whitespace:
    case QAccessible::LayeredPane:
    case QAccessible::ScrollBar:
      return true;
    default:
      return false;
  }
}

inline void walkAccessible(QAccessibleInterface* node, std::vector<AccessibleEntry>& out, bool isWindow) {
  if (!node || !node->isValid() || node->state().invisible) return;
  const char* role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role());
  out.push_back({.role = role ? role : std::to_string(static_cast<int>(node->role())),
                 .name = node->text(QAccessible::Name).toStdString(),
                 .objectName = node->object() ? node->object()->objectName().toStdString() : "",
                 .needsName = isWindow || !isContainer(node->role())});
  for (int i = 0; i < node->childCount(); ++i) walkAccessible(node->child(i), out, false);
}

/// Every visible object of the window and its children, in tree order,
/// through Qt's accessibility interface.
inline std::vector<AccessibleEntry> accessibleTree(QWidget& window) {
  std::vector<AccessibleEntry> entries;
  walkAccessible(QAccessible::queryAccessibleInterface(&window), entries, true);
  return entries;
}

/// The controls and windows a screen reader would announce without a name.
inline std::vector<std::string> unnamedControls(QWidget& window) {
  std::vector<std::string> unnamed;
  for (const AccessibleEntry& entry : accessibleTree(window))
    if (entry.needsName && entry.name.empty()) unnamed.push_back(entry.role + " " + entry.objectName);
  return unnamed;
}

}  // namespace sonaflux::test
