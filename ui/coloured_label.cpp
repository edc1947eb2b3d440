#include "ui/coloured_label.h"

namespace sonaflux {

ColouredLabel::ColouredLabel(QWidget* parent) : ColouredLabel(QString(), parent) {}

ColouredLabel::ColouredLabel(const QString& text, QWidget* parent) : QLabel(text, parent), m_baseFont(font()) {
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
}

void ColouredLabel::setTextColour(const QColor& colour) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, colour);
  colours.setColor(QPalette::Text, colour);
  setPalette(colours);
}

void ColouredLabel::setBackgroundColour(const QColor& colour) {
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colour);
  setPalette(colours);
}

void ColouredLabel::setBold(bool bold) {
  m_font.bold = bold;
  applyFont();
}

void ColouredLabel::setCharacterHeight(int pixels) {
  m_font.characterHeight = pixels;
  applyFont();
}

void ColouredLabel::setFaceName(const QString& face) {
  m_font.faceName = face;
  applyFont();
}

void ColouredLabel::applyFont() { setFont(m_font.build(m_baseFont)); }

}  // namespace sonaflux
