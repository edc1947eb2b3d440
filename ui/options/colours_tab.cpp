#include "ui/options/colours_tab.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/coloured_label.h"
#include "ui/dialog_look.h"

namespace sonaflux {

namespace {

void showColour(ColouredLabel* swatch, const std::string& colourText) {
  const RgbColour c = parseHexColour(colourText);
  swatch->setBackgroundColour(QColor(c.red, c.green, c.blue));
}

}  // namespace

ColoursTab::ColoursTab(const OptionSettings& start, QWidget* parent)
    : OptionsTab(QStringLiteral("Colours"), parent),
      m_background(start.optBackgroundColour),
      m_text(start.optTextColour) {
  struct Field {
    const char* label;
    const char* pick;
    const char* name;
    std::string* colour;
  };
  const Field fields[] = {
      {"&Background", "&Pick Colour", "background", &m_background},
      {"&Text", "P&ick Colour", "text", &m_text},
  };
  auto* grid = new QGridLayout;
  grid->setSpacing(dialogUnitsX(3));
  int row = 0;
  for (const Field& field : fields) {
    const QString name = QLatin1String(field.name);
    auto* label = new QLabel(QString::fromLatin1(field.label), this);
    auto* box = new QLineEdit(QString::fromStdString(*field.colour), this);
    box->setObjectName(name + QStringLiteral("Box"));
    box->setFixedWidth(dialogUnitsX(40));
    label->setBuddy(box);
    auto* swatch = new ColouredLabel(this);
    swatch->setObjectName(name + QStringLiteral("Swatch"));
    swatch->setAccessibleName(QStringLiteral("Page %1 colour").arg(name));
    swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    swatch->setFixedSize(dialogUnitsX(13), dialogUnitsY(12));
    showColour(swatch, *field.colour);
    auto* pick = new QPushButton(QString::fromLatin1(field.pick), this);
    pick->setObjectName(name + QStringLiteral("Pick"));
    pick->setAccessibleDescription(QStringLiteral("Picks the page %1 colour").arg(name));
    pick->setAutoDefault(false);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(swatch, row, 2);
    grid->addWidget(pick, row, 3);
    ++row;

    std::string* colour = field.colour;
    connect(box, &QLineEdit::textChanged, this, [colour, swatch](const QString& t) {
      *colour = t.toStdString();
      showColour(swatch, *colour);
    });
    connect(pick, &QPushButton::clicked, this, [this, box] { pickColour(box); });
  }
  grid->setColumnStretch(4, 1);
  QBoxLayout* column = pageColumn();
  column->addLayout(grid);
  column->addWidget(wrappingNote(QStringLiteral("Enter HTML values or use the colour pickers"), this));
  column->addStretch();
}

void ColoursTab::collect(OptionSettings& opt) const {
  opt.optBackgroundColour = m_background;
  opt.optTextColour = m_text;
}

void ColoursTab::pickColour(QLineEdit* box) {
  // Opened on red 1 rather than on the field's colour.
  const QColor picked = QColorDialog::getColor(QColor(1, 0, 0), this);
  if (!picked.isValid()) return;
  // The box's change handling updates the working colour and the swatch.
  box->setText(QString::fromStdString(formatHexColour({picked.red(), picked.green(), picked.blue()})));
}

}  // namespace sonaflux
