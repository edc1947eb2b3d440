#include "ui/tip_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/parameters_file.h"
#include "settings/tips_file.h"
#include "ui/coloured_label.h"
#include "ui/dialog_look.h"

namespace sonaflux {

TipDialog::TipDialog(AppContext& ctx, QWidget* owner) : QDialog(owner), m_ctx(ctx) {
  shapeCaptionlessDialog(*this, 249, 166);
  setObjectName(QStringLiteral("tipWindow"));
  setWindowTitle(QStringLiteral("Sonaflux - Tip of the day"));
  setAccessibleName(windowTitle());

  auto* title = makeWindowTitle(QStringLiteral("Sonaflux - Tip of the day"), this);

  // The panel takes the platform's tooltip colours.
  const QColor infoBackground = palette().color(QPalette::ToolTipBase);
  const QColor infoText = palette().color(QPalette::ToolTipText);
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::Box);
  QPalette panelColours = panel->palette();
  panelColours.setColor(QPalette::Window, infoBackground);
  panelColours.setColor(QPalette::WindowText, infoText);
  panel->setPalette(panelColours);
  panel->setAutoFillBackground(true);

  auto* icon = new QLabel(panel);

  icon->setAccessibleName(QStringLiteral("Tip"));
  QPixmap picture(QStringLiteral(":/artwork/tip.png"));
  if (picture.isNull())
    icon->hide();
  else
    icon->setPixmap(picture);

  auto* heading = new ColouredLabel(QStringLiteral("Did you know..."), panel);
  heading->setBold(true);
  m_text = new ColouredLabel(panel);
  for (ColouredLabel* label : {heading, m_text}) {
    label->setTextColour(infoText);
    label->setBackgroundColour(infoBackground);
  }
  m_text->setObjectName(QStringLiteral("tipText"));
  m_text->setTextFormat(Qt::PlainText);
  m_text->setWordWrap(true);
  m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // As wide as the panel allows inside its margins, which the buttons\' column narrows.
  m_text->setMinimumWidth(dialogUnitsX(160));
  m_text->setFixedHeight(dialogUnitsY(96));

  auto* headingRow = new QHBoxLayout;
  headingRow->addWidget(icon);
  headingRow->addWidget(heading, 1);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(6, 4, 6, 4);
  panelLayout->setSpacing(2);
  panelLayout->addLayout(headingRow);
  panelLayout->addWidget(m_text);

  m_showAtStartup = new QCheckBox(QStringLiteral("&Show tips at startup"), this);
  m_showAtStartup->setObjectName(QStringLiteral("showAtStartup"));
  auto* next = new QPushButton(QStringLiteral("&Next Tip"), this);
  next->setObjectName(QStringLiteral("nextTip"));
  auto* previous = new QPushButton(QStringLiteral("&Previous Tip"), this);
  previous->setObjectName(QStringLiteral("previousTip"));
  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(next);
  buttons->addWidget(previous);
  buttons->addStretch();
  buttons->addWidget(ok);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setHorizontalSpacing(6);
  layout->setVerticalSpacing(4);
  layout->addWidget(title, 0, 0, 1, 2);
  layout->addWidget(panel, 1, 0);
  layout->addLayout(buttons, 1, 1, 2, 1);
  layout->addWidget(m_showAtStartup, 2, 0);
  layout->setRowStretch(1, 1);

  connect(next, &QPushButton::clicked, this, [this] { step(+1); });
  connect(previous, &QPushButton::clicked, this, [this] { step(-1); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_showAtStartup, &QCheckBox::clicked, this, [this](bool checked) {
    m_ctx.settings.showTipsAtStartup = checked;
    saveParametersOrEnd(m_ctx);
  });

  // Opening moves on by one tip and saves that before the user does anything.
  step(+1);
  m_showAtStartup->setChecked(m_ctx.settings.showTipsAtStartup);
}

void TipDialog::paintEvent(QPaintEvent*) { paintThinBorder(*this); }

void TipDialog::step(int delta) {
  Tip tip = readTip(m_ctx.paths.programFolder, steppedTipNumber(m_ctx.settings.nextTipNumber, delta));
  m_ctx.settings.nextTipNumber = tip.number;
  saveParametersOrEnd(m_ctx);
  m_text->setText(QString::fromStdString(tip.text));
}

}  // namespace sonaflux
