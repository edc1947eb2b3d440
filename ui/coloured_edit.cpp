#include "ui/coloured_edit.h"

#include <QEvent>

namespace sonaflux {

ColouredEdit::ColouredEdit(QWidget* parent)
    : WithOwnFont<QLineEdit>(parent),
      m_textColour(palette().color(QPalette::Text)),
      m_platformText(palette().color(QPalette::Text)),
      m_background(palette().color(QPalette::Button)) {
  applyColours();
}

void ColouredEdit::setTextColour(const QColor& colour) {
  m_textColour = colour;
  applyColours();
}

void ColouredEdit::setBackgroundColour(const QColor& colour) {
  m_background = colour;
  applyColours();
}

void ColouredEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) applyColours();
}

void ColouredEdit::applyColours() {
  const bool inactive = isReadOnly() || !isEnabled();
  QPalette colours = palette();
  colours.setColor(QPalette::Base, m_background);
  colours.setColor(QPalette::Text, inactive ? m_textColour : m_platformText);
  setPalette(colours);
}

}  // namespace sonaflux
