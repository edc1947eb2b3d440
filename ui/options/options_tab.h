#pragma once

#include <QString>
#include <QWidget>

#include "settings/option_rules.h"

class QBoxLayout;
class QGroupBox;
class QLabel;

namespace sonaflux {

/// One page of the Options window. It keeps the working copies of the
/// settings it shows, filled from the window's at the start, and hands them
/// back when the window saves.
class OptionsTab : public QWidget {
 public:
  explicit OptionsTab(const QString& label, QWidget* parent = nullptr) : QWidget(parent), m_label(label) {}

  /// The text of the page's tab.
  const QString& label() const { return m_label; }
  /// Writes this page's working copies into the whole set.
  virtual void collect(OptionSettings& opt) const = 0;

 protected:
  /// The page's column of controls, with the window's margins and spacing.
  QBoxLayout* pageColumn();

 private:
  QString m_label;
};

/// A group box's column of controls, as tight as the page's.
QBoxLayout* groupColumn(QGroupBox* group);

/// A plain text of the window that breaks into lines rather than widen it.
QLabel* wrappingNote(const QString& text, QWidget* parent);

}  // namespace sonaflux
