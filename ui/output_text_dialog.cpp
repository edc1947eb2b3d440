#include "ui/output_text_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/coloured_label.h"
#include "ui/dialog_look.h"

namespace sonaflux {

OutputTextDialog::OutputTextDialog(AppContext& ctx, QWidget* owner) : QDialog(owner), m_ctx(ctx) {
  shapeCaptionlessDialog(*this, 262, 68);
  setObjectName(QStringLiteral("outputTextWindow"));
  setWindowTitle(QStringLiteral("Sonaflux - Output Text"));
  setAccessibleName(windowTitle());

  auto* title = makeWindowTitle(QStringLiteral("Sonaflux - Output Text"), this);

  m_edit = new QLineEdit(QString::fromStdString(ctx.inputs.inputTitle), this);
  m_edit->setObjectName(QStringLiteral("outputText"));
  m_edit->setAccessibleName(QStringLiteral("Output text"));
  m_edit->setAccessibleDescription(QStringLiteral("The text the web page shows for the sound"));
  m_edit->selectAll();

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(dialogUnitsX(7), dialogUnitsY(5), dialogUnitsX(7), dialogUnitsY(5));
  layout->addWidget(title);
  layout->addWidget(m_edit);
  layout->addStretch();
  layout->addLayout(buttons);
}

void OutputTextDialog::accept() {
  m_ctx.inputs.inputTitle = m_edit->text().toStdString();
  QDialog::accept();
}

void OutputTextDialog::paintEvent(QPaintEvent*) { paintThinBorder(*this); }

}  // namespace sonaflux
