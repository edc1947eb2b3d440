#pragma once

#include <QFont>
#include <QString>

namespace sonaflux {

/// What a coloured label or edit box remembers of its font; every change
/// rebuilds the font from it.
struct FontDescription {
  QString faceName;
  int characterHeight = 0;  // pixels; 0 keeps the default font's size
  bool bold = false;

  QFont build(const QFont& base) const {
    QFont font = base;
    if (!faceName.isEmpty()) font.setFamily(faceName);
    if (characterHeight > 0) font.setPixelSize(characterHeight);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
  }
};

/// A widget with a font of its own making: each setter changes the
/// description and rebuilds the font from the one the widget started with.
template <class Widget>
class WithOwnFont : public Widget {
 public:
  using Widget::Widget;

  void setBold(bool bold) {
    m_font.bold = bold;
    applyFont();
  }
  void setCharacterHeight(int pixels) {
    m_font.characterHeight = pixels;
    applyFont();
  }
  void setFaceName(const QString& face) {
    m_font.faceName = face;
    applyFont();
  }

 private:
  void applyFont() { this->setFont(m_font.build(m_baseFont)); }

  FontDescription m_font;
  QFont m_baseFont = this->font();
};

}  // namespace sonaflux
