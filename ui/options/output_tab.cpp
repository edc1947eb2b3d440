#include "ui/options/output_tab.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "core/page_for.h"
#include "ui/dialog_look.h"
#include "ui/folder_picker.h"

namespace sonaflux {

OutputTab::OutputTab(const OptionSettings& start, QWidget* parent)
    : OptionsTab(QStringLiteral("Output"), parent),
      m_toDesktop(start.optToDesktop),
      m_folder(start.optOutputFolderPath),
      m_number(start.optNextOutputNumber),
      m_pageFor(start.optPageFor) {
  auto* group = new QGroupBox(QStringLiteral("Output files go here"), this);
  auto* toDesktop = new QRadioButton(QStringLiteral("To &desktop"), group);
  toDesktop->setObjectName(QStringLiteral("toDesktop"));
  auto* toFolder = new QRadioButton(QStringLiteral("To specified &folder"), group);
  toFolder->setObjectName(QStringLiteral("toFolder"));
  m_folderBox = new QLineEdit(QString::fromStdString(m_folder), group);
  m_folderBox->setObjectName(QStringLiteral("folderBox"));
  m_folderBox->setAccessibleName(QStringLiteral("Output folder"));
  m_browse = new QPushButton(QStringLiteral("&Browse"), group);
  m_browse->setObjectName(QStringLiteral("browse"));
  m_browse->setAutoDefault(false);
  (m_toDesktop ? toDesktop : toFolder)->setChecked(true);
  setToDesktop(m_toDesktop);

  auto* folderRow = new QHBoxLayout;
  folderRow->addSpacing(dialogUnitsX(10));
  folderRow->addWidget(m_folderBox, 1);
  folderRow->addWidget(m_browse);
  QBoxLayout* groupLayout = groupColumn(group);
  groupLayout->addWidget(toDesktop);
  groupLayout->addWidget(toFolder);
  groupLayout->addLayout(folderRow);

  auto* numberLabel = new QLabel(QStringLiteral("Next output file number"), this);
  auto* numberBox = new QLineEdit(QString::number(m_number), this);
  numberBox->setObjectName(QStringLiteral("numberBox"));
  numberBox->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), numberBox));
  numberBox->setFixedWidth(dialogUnitsX(40));
  numberLabel->setBuddy(numberBox);
  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(numberLabel);
  numberRow->addWidget(numberBox);
  numberRow->addStretch();

  // Which browsers the page is written for; the classic page is the first.
  auto* pageLabel = new QLabel(QStringLiteral("&Page for"), this);
  auto* pageBox = new QComboBox(this);
  pageBox->setObjectName(QStringLiteral("pageFor"));
  // As wide as the page allows: the list that opens shows each choice whole.
  pageBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  pageBox->setMinimumContentsLength(12);
  for (std::string_view label : kPageForLabels)
    pageBox->addItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
  pageBox->setCurrentIndex(static_cast<int>(m_pageFor) - static_cast<int>(PageFor::FlashPlayers));
  pageLabel->setBuddy(pageBox);
  pageBox->view()->setAccessibleName(pageLabel->text().remove(QLatin1Char('&')));
  auto* pageRow = new QHBoxLayout;
  pageRow->addWidget(pageLabel);
  pageRow->addWidget(pageBox, 1);

  QBoxLayout* column = pageColumn();
  column->addWidget(group);
  column->addLayout(numberRow);
  column->addLayout(pageRow);
  column->addStretch();

  connect(toDesktop, &QRadioButton::clicked, this, [this] { setToDesktop(true); });
  connect(toFolder, &QRadioButton::clicked, this, [this] { setToDesktop(false); });
  connect(m_folderBox, &QLineEdit::textChanged, this, [this](const QString& t) { m_folder = t.toStdString(); });
  connect(m_browse, &QPushButton::clicked, this, &OutputTab::browseForFolder);
  // Only typing changes the number: a stored number of six digits or more
  // must not be cut to five just because the box shows it.
  connect(numberBox, &QLineEdit::textEdited, this, [this](const QString& t) {
    m_number = numberBoxValue(t.toStdString());
    m_numberTyped = true;
  });
  connect(pageBox, &QComboBox::activated, this,
          [this](int index) { m_pageFor = static_cast<PageFor>(index + static_cast<int>(PageFor::FlashPlayers)); });
}

void OutputTab::collect(OptionSettings& opt) const {
  opt.optToDesktop = m_toDesktop;
  opt.optOutputFolderPath = m_folder;
  opt.optNextOutputNumber = m_number;
  opt.optPageFor = m_pageFor;
}

void OutputTab::setToDesktop(bool desktop) {
  m_toDesktop = desktop;
  m_folderBox->setEnabled(!desktop);
  m_browse->setEnabled(!desktop);
}

void OutputTab::browseForFolder() {
  // The box's change handling takes the folder into the working copy.
  if (std::optional<std::string> folder =
          pickFolder(this, QStringLiteral("Sonaflux - Select An Output Folder"), m_folderBox->text()))
    m_folderBox->setText(QString::fromStdString(*folder));
}

}  // namespace sonaflux
