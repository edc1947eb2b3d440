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

}  // namespace sonaflux
