#include "ui/options/options_tab.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/dialog_look.h"

namespace sonaflux {

QBoxLayout* OptionsTab::pageColumn() {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(dialogUnitsX(2), dialogUnitsY(2), dialogUnitsX(2), dialogUnitsY(2));
  column->setSpacing(dialogUnitsY(2));
  return column;
}

QBoxLayout* groupColumn(QGroupBox* group) {
  auto* column = new QVBoxLayout(group);
  column->setContentsMargins(dialogUnitsX(3), dialogUnitsY(2), dialogUnitsX(3), dialogUnitsY(3));
  column->setSpacing(dialogUnitsY(2));
  return column;
}

QLabel* wrappingNote(const QString& text, QWidget* parent) {
  auto* note = new QLabel(text, parent);
  note->setTextFormat(Qt::PlainText);
  note->setWordWrap(true);
  return note;
}

}  // namespace sonaflux
