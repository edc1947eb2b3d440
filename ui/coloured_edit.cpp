#include "ui/coloured_edit.h"

#include <QEvent>

namespace sonaflux {

ColouredEdit::ColouredEdit(QWidget* parent)
    : QLineEdit(parent),
      m_baseFont(font()),
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

void ColouredEdit::setBold(bool bold) {
  m_font.bold = bold;
  applyFont();
}

void ColouredEdit::setCharacterHeight(int pixels) {
  m_font.characterHeight = pixels;
  applyFont();
}

void ColouredEdit::setFaceName(const QString& face) {
  m_font.faceName = face;
  applyFont();
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

void ColouredEdit::applyFont() { setFont(m_font.build(m_baseFont)); }

}  // namespace sonaflux
