#include "ui/options/bare_tab.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>

#include "core/settings_record.h"

namespace sonaflux {

BareTab::BareTab(const OptionSettings& start, QWidget* parent)
    : OptionsTab(QStringLiteral("Bare"), parent), m_outputMode(start.optOutputMode) {
  struct Mode {
    const char* label;
    std::int32_t value;
  };
  const Mode modes[] = {{"Output run by a &controller (see controller tab)", kOutputModeController},
                        {"Bare output with &looping", kOutputModeBareLooping},
                        {"Bare output, plays &once", kOutputModeBareOnce}};
  auto* group = new QGroupBox(QStringLiteral("Bare or controller output"), this);
  auto* buttons = new QButtonGroup(this);
  QBoxLayout* groupLayout = groupColumn(group);
  for (const Mode& mode : modes) {
    auto* button = new QRadioButton(QString::fromLatin1(mode.label), group);
    button->setObjectName(QStringLiteral("outputMode%1").arg(mode.value));
    button->setChecked(m_outputMode == mode.value);
    buttons->addButton(button, mode.value);
    groupLayout->addWidget(button);
  }
  QBoxLayout* column = pageColumn();
  column->addWidget(group);
  column->addStretch();
  connect(buttons, &QButtonGroup::idClicked, this, [this](int id) { m_outputMode = id; });
}

}  // namespace sonaflux
