#include "ui/dialog_look.h"

#include <QFontDatabase>
#include <QPainter>
#include <QWidget>
#include <cmath>

#include "ui/coloured_label.h"

namespace sonaflux {

int dialogUnitsX(int units) { return static_cast<int>(std::lround(units * 1.5)); }

int dialogUnitsY(int units) { return static_cast<int>(std::lround(units * 1.625)); }

QFont dialogFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(8);
  return font;
}

ColouredLabel* makeWindowTitle(const QString& text, QWidget* parent) {
  auto* title = new ColouredLabel(text, parent);
  title->setTextFormat(Qt::PlainText);
  title->setFaceName(QStringLiteral("Arial"));
  title->setCharacterHeight(16);
  title->setBold(true);
  return title;
}

void shapeCaptionlessDialog(QWidget& dialog, int widthUnits, int heightUnits) {
  dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  dialog.setFont(dialogFont());
  dialog.setFixedSize(dialogUnitsX(widthUnits), dialogUnitsY(heightUnits));
}

void paintThinBorder(QWidget& dialog) {
  QPainter painter(&dialog);
  painter.setPen(dialog.palette().color(QPalette::Dark));
  painter.drawRect(dialog.rect().adjusted(0, 0, -1, -1));
}

}  // namespace sonaflux
