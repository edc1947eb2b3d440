#include "ui/message_window.h"

#include <QLabel>

#include "ui/dialog_look.h"

namespace sonaflux {

MessageWindow::MessageWindow(const QString& text, QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Working..."));
  setFont(dialogFont());
  setFixedSize(dialogUnitsX(186), dialogUnitsY(21));
  m_line = new QLabel(this);
  m_line->setTextFormat(Qt::PlainText);
  m_line->setAlignment(Qt::AlignCenter);
  m_line->setGeometry(dialogUnitsX(4), dialogUnitsY(6), dialogUnitsX(176), dialogUnitsY(8));
  setText(text);
}

void MessageWindow::setText(const QString& text) {
  m_line->setText(text);
  if (isVisible()) m_line->repaint();
}

QString MessageWindow::text() const { return m_line->text(); }

void MessageWindow::centreOn(const QWidget& widget) {
  const QRect area =
      widget.isWindow() ? widget.frameGeometry() : QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
  QRect frame = frameGeometry();
  frame.moveCenter(area.center());
  move(frame.topLeft());
}

}  // namespace sonaflux
