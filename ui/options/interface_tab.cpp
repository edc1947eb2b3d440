#include "ui/options/interface_tab.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>

#include "ui/dialog_look.h"

namespace sonaflux {

InterfaceTab::InterfaceTab(const OptionSettings& start, QWidget* parent)
    : OptionsTab(QStringLiteral("Interface"), parent),
      m_buttonSounds(start.optButtonSounds),
      m_backgroundPicture(start.optBackgroundPicture),
      m_roundCorners(start.optRoundCorners) {
  struct Box {
    const char* label;
    const char* name;
    bool* flag;
  };
  const Box boxes[] = {{"Play sounds on button clicks", "buttonSounds", &m_buttonSounds},
                       {"Load background picture", "backgroundPicture", &m_backgroundPicture},
                       {"Round corners", "roundCorners", &m_roundCorners}};
  QBoxLayout* column = pageColumn();
  for (const Box& box : boxes) {
    auto* check = new QCheckBox(QString::fromLatin1(box.label), this);
    check->setObjectName(QLatin1String(box.name));
    check->setChecked(*box.flag);
    connect(check, &QCheckBox::clicked, this, [flag = box.flag](bool on) { *flag = on; });
    column->addWidget(check);
  }
  column->addSpacing(dialogUnitsY(4));
  column->addWidget(wrappingNote(QStringLiteral("These settings control the program interface.\n"
                                                "You would not normally need to change them.\n"
                                                "Changes will not take effect until the next time the program is run."),
                                 this));
  column->addStretch();
}

void InterfaceTab::collect(OptionSettings& opt) const {
  opt.optButtonSounds = m_buttonSounds;
  opt.optBackgroundPicture = m_backgroundPicture;
  opt.optRoundCorners = m_roundCorners;
}

}  // namespace sonaflux
