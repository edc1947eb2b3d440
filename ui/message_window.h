#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace sonaflux {

/// A small captioned window with one centred line, shown while a long
/// operation works. It stays above its owner.
class MessageWindow : public QDialog {
 public:
  MessageWindow(const QString& text, QWidget* owner);

  /// Replaces the line and paints it at once, so it shows even while the
  /// caller keeps the event loop busy.
  void setText(const QString& text);
  QString text() const;
  /// Places the window, frame and all, over the middle of a window or of a
  /// control; the frame is known once the window shows.
  void centreOn(const QWidget& widget);

 private:
  QLabel* m_line;
};

}  // namespace sonaflux
