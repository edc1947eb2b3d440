#include "ui/options/instructions_tab.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/dialog_look.h"

namespace sonaflux {

namespace {

constexpr int kSpecial = 4;

}  // namespace

InstructionsTab::InstructionsTab(const OptionSettings& start, QWidget* parent)
    : OptionsTab(QStringLiteral("Instructions"), parent), m_instruction(start.optInstruction) {
  const char* const labels[] = {"C - Initially stopped, loops sound", "D - Initially stopped, plays sound once",
                                "E - Initially playing, loops sound", "F - Initially playing, plays sound once",
                                "Special (future controllers may repond to special instructions)"};
  auto* group = new QGroupBox(QStringLiteral("Instruction"), this);
  QBoxLayout* groupLayout = groupColumn(group);
  groupLayout->setSpacing(0);
  auto* buttons = new QButtonGroup(this);
  for (int i = 0; i <= kSpecial; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(labels[i]), group);
    button->setObjectName(i == kSpecial ? QStringLiteral("instructionSpecial")
                                        : QStringLiteral("instruction%1").arg(QChar('c' + i)));
    buttons->addButton(button, i);
    groupLayout->addWidget(button);
  }
  // Under its button rather than beside it, so the long label keeps the window narrow.
  m_specialBox = new QLineEdit(group);
  m_specialBox->setObjectName(QStringLiteral("specialBox"));
  m_specialBox->setAccessibleName(QStringLiteral("Special instruction"));
  m_specialBox->setFixedWidth(dialogUnitsX(12));
  auto* specialRow = new QHBoxLayout;
  specialRow->addSpacing(dialogUnitsX(10));
  specialRow->addWidget(m_specialBox);
  specialRow->addStretch();
  groupLayout->addLayout(specialRow);

  QBoxLayout* column = pageColumn();
  column->addWidget(group);
  column->addWidget(
      wrappingNote(QStringLiteral("If you are using a controller then you can give it instructions here"), this));
  column->addStretch();

  // Filling the box runs its change handling, as typing would.
  connect(m_specialBox, &QLineEdit::textChanged, this, [this](const QString& t) { m_instruction = t.toStdString(); });
  const std::string first = m_instruction.substr(0, 1);
  const std::string letters = "cdef";
  const std::size_t known = first.empty() ? std::string::npos : letters.find(first[0]);
  m_specialBox->setEnabled(known == std::string::npos);
  buttons->button(known == std::string::npos ? kSpecial : static_cast<int>(known))->setChecked(true);
  m_specialBox->setText(QString::fromStdString(first));

  // C to F store their letter; Special stores a space until something is typed.
  connect(buttons, &QButtonGroup::idClicked, this, [this](int id) {
    const bool letter = id < kSpecial;
    m_instruction.assign(1, letter ? static_cast<char>('c' + id) : ' ');
    m_specialBox->setEnabled(!letter);
  });
}

}  // namespace sonaflux
