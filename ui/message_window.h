#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace sonaflux {

/// A small captioned window with one centred line, shown while a long
/// operation works. It has no parent; whoever creates it destroys it.
class MessageWindow : public QDialog {
 public:
  /// Creates and shows the window with the line.
  explicit MessageWindow(const QString& text);

  /// Replaces the line and paints it at once, so it shows even while the
  /// caller keeps the event loop busy.
  void setText(const QString& text);
  QString text() const;
  /// Places the window over the middle of another one.
  void centreOn(const QWidget& window);

 private:
  QLabel* m_line;
};

}  // namespace sonaflux
