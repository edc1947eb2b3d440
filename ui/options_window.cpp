#include "ui/options_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/page_for.h"
#include "engine/options_commit.h"
#include "platform/app_paths.h"
#include "ui/coloured_label.h"
#include "ui/dialog_look.h"
#include "writers/controller_list.h"
#include "writers/preview_page_writer.h"

namespace sonaflux {

namespace {

// Dialog units of the window's layout, in pixels.
int horizontalUnits(double units) { return static_cast<int>(units * 1.5 + 0.5); }
int verticalUnits(double units) { return static_cast<int>(units * 1.625 + 0.5); }

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string utf8(const QString& text) { return text.toStdString(); }

void setSwatchColour(QLabel* swatch, const std::string& colourText) {
  RgbColour c = parseHexColour(colourText);
  swatch->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                            .arg(c.red)
                            .arg(c.green)
                            .arg(c.blue));
}

QLabel* makeSwatch(QWidget* parent) {
  auto* swatch = new QLabel(parent);
  swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  swatch->setFixedSize(horizontalUnits(13), verticalUnits(12));
  return swatch;
}

// The first control of a page that can take the focus from the keyboard.
QWidget* firstFocusable(QWidget* page) {
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (!page->isAncestorOf(w)) continue;
    if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return w;
  }
  return nullptr;
}

// The message window shown while a long operation works.
std::unique_ptr<QWidget> plainMessageWindow(QWidget* over, const std::string& message) {
  auto window = std::make_unique<QWidget>(nullptr, Qt::Dialog);
  window->setWindowTitle(QStringLiteral("Working..."));
  window->setFixedSize(horizontalUnits(186), verticalUnits(21));
  auto* label = new QLabel(text(message), window.get());
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(horizontalUnits(4), verticalUnits(6), horizontalUnits(176),
                     verticalUnits(8));
  QPoint centre = over->mapToGlobal(over->rect().center());
  window->move(centre - window->rect().center());
  window->show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return window;
}

bool openLocalFile(const std::string& path) {
  return QFileInfo::exists(text(path)) &&
         QDesktopServices::openUrl(QUrl::fromLocalFile(text(path)));
}

}  // namespace

OptionsWindow::OptionsWindow(AppContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_ctx(ctx) {
  setObjectName(QStringLiteral("OptionsWindow"));
  setModal(true);
  QFont dialogFont = font();
  dialogFont.setPointSize(8);
  setFont(dialogFont);

  m_opt = workingCopiesOf(ctx.settings);

  // No caption: a thin line draws the window's edge.
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  frame->setLineWidth(1);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(frame);

  QLabel* title = makeWindowTitle(QStringLiteral("Sonaflux - Options"), frame);
  auto* help = new QPushButton(QStringLiteral("&Help"), frame);
  help->setObjectName(QStringLiteral("help"));
  help->setAutoDefault(false);

  m_tabs = new QTabWidget(frame);
  // The tab row never keeps the focus: it goes on to the page's control.
  m_tabs->tabBar()->setFocusPolicy(Qt::NoFocus);
  m_tabs->addTab(buildOutputPage(), QStringLiteral("Output"));
  m_tabs->addTab(buildBarePage(), QStringLiteral("Bare"));
  m_tabs->addTab(buildControllerPage(), QStringLiteral("Controller"));
  m_tabs->addTab(buildInstructionsPage(), QStringLiteral("Instructions"));
  m_tabs->addTab(buildColoursPage(), QStringLiteral("Colours"));
  m_tabs->addTab(buildInterfacePage(), QStringLiteral("Interface"));
  m_lastFocus.resize(static_cast<std::size_t>(m_tabs->count()));

  auto* tip = new QPushButton(QStringLiteral("&Tip of the day"), frame);
  tip->setObjectName(QStringLiteral("tip"));
  tip->setAutoDefault(false);
  auto* ok = new QPushButton(QStringLiteral("&OK"), frame);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), frame);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setAutoDefault(false);

  auto* top = new QHBoxLayout;
  top->addWidget(title);
  top->addStretch();
  top->addWidget(help);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(tip);
  bottom->addStretch();
  bottom->addWidget(ok);
  bottom->addWidget(cancel);
  auto* column = new QVBoxLayout(frame);
  column->setContentsMargins(horizontalUnits(5), verticalUnits(4), horizontalUnits(5),
                             verticalUnits(4));
  column->addLayout(top);
  column->addWidget(m_tabs, 1);
  column->addLayout(bottom);

  connect(help, &QPushButton::clicked, this, &OptionsWindow::showHelp);
  connect(tip, &QPushButton::clicked, this, &OptionsWindow::showTip);
  connect(ok, &QPushButton::clicked, this, &OptionsWindow::accept);
  connect(cancel, &QPushButton::clicked, this, &OptionsWindow::reject);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { rememberFocus(now); });
  connect(m_tabs, &QTabWidget::currentChanged, this, &OptionsWindow::restoreFocus);

  QSize wanted(horizontalUnits(272), verticalUnits(182));
  setFixedSize(sizeHint().expandedTo(wanted));
}

QWidget* OptionsWindow::buildOutputPage() {
  auto* page = new QWidget;
  auto* group = new QGroupBox(QStringLiteral("Output files go here"), page);
  auto* toDesktop = new QRadioButton(QStringLiteral("To &desktop"), group);
  toDesktop->setObjectName(QStringLiteral("toDesktop"));
  auto* toFolder = new QRadioButton(QStringLiteral("To specified &folder"), group);
  toFolder->setObjectName(QStringLiteral("toFolder"));
  m_folderBox = new QLineEdit(text(m_opt.optOutputFolderPath), group);
  m_folderBox->setObjectName(QStringLiteral("folderBox"));
  m_browse = new QPushButton(QStringLiteral("&Browse"), group);
  m_browse->setObjectName(QStringLiteral("browse"));
  m_browse->setAutoDefault(false);

  auto* numberLabel = new QLabel(QStringLiteral("Next output file number"), page);
  auto* numberBox = new QLineEdit(QString::number(m_opt.optNextOutputNumber), page);
  numberBox->setObjectName(QStringLiteral("numberBox"));
  numberBox->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), numberBox));
  numberBox->setFixedWidth(horizontalUnits(40));
  numberLabel->setBuddy(numberBox);

  (m_opt.optToDesktop ? toDesktop : toFolder)->setChecked(true);
  m_folderBox->setEnabled(!m_opt.optToDesktop);
  m_browse->setEnabled(!m_opt.optToDesktop);

  auto* folderRow = new QHBoxLayout;
  folderRow->addSpacing(horizontalUnits(10));
  folderRow->addWidget(m_folderBox, 1);
  folderRow->addWidget(m_browse);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(toDesktop);
  groupLayout->addWidget(toFolder);
  groupLayout->addLayout(folderRow);
  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(numberLabel);
  numberRow->addWidget(numberBox);
  numberRow->addStretch();

  // Which browsers the page is written for; the classic page is the first.
  auto* pageLabel = new QLabel(QStringLiteral("&Page for"), page);
  auto* pageBox = new QComboBox(page);
  pageBox->setObjectName(QStringLiteral("pageFor"));
  for (std::string_view label : kPageForLabels)
    pageBox->addItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
  pageBox->setCurrentIndex(static_cast<int>(m_opt.optPageFor) - static_cast<int>(PageFor::FlashPlayers));
  pageLabel->setBuddy(pageBox);
  auto* pageRow = new QHBoxLayout;
  pageRow->addWidget(pageLabel);
  pageRow->addWidget(pageBox);
  pageRow->addStretch();
  connect(pageBox, &QComboBox::activated, this, [this](int index) {
    m_opt.optPageFor = static_cast<PageFor>(index + static_cast<int>(PageFor::FlashPlayers));
  });

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addLayout(numberRow);
  layout->addLayout(pageRow);
  layout->addStretch();

  auto setToDesktop = [this](bool desktop) {
    m_opt.optToDesktop = desktop;
    m_folderBox->setEnabled(!desktop);
    m_browse->setEnabled(!desktop);
  };
  connect(toDesktop, &QRadioButton::clicked, this, [setToDesktop] { setToDesktop(true); });
  connect(toFolder, &QRadioButton::clicked, this, [setToDesktop] { setToDesktop(false); });
  connect(m_folderBox, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_opt.optOutputFolderPath = utf8(t); });
  connect(m_browse, &QPushButton::clicked, this, &OptionsWindow::browseForFolder);
  // Only typing changes the number: a stored number of six digits or more
  // must not be cut to five just because the box shows it.
  connect(numberBox, &QLineEdit::textEdited, this, [this](const QString& t) {
    m_opt.optNextOutputNumber = numberBoxValue(utf8(t));
    m_numberTyped = true;
  });
  return page;
}

QWidget* OptionsWindow::buildBarePage() {
  auto* page = new QWidget;
  auto* group = new QGroupBox(QStringLiteral("Bare or controller output"), page);
  auto* modes = new QButtonGroup(page);
  const char* labels[] = {"Output run by a &controller (see controller tab)",
                          "Bare output with &looping", "Bare output, plays &once"};
  const std::int32_t values[] = {kOutputModeController, kOutputModeBareLooping,
                                 kOutputModeBareOnce};
  auto* groupLayout = new QVBoxLayout(group);
  for (int i = 0; i < 3; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(labels[i]), group);
    button->setObjectName(QStringLiteral("outputMode%1").arg(values[i]));
    modes->addButton(button, values[i]);
    button->setChecked(m_opt.optOutputMode == values[i]);
    groupLayout->addWidget(button);
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addStretch();
  connect(modes, &QButtonGroup::idClicked, this, [this](int id) { m_opt.optOutputMode = id; });
  return page;
}

QWidget* OptionsWindow::buildControllerPage() {
  auto* page = new QWidget;
  m_controllerList = new QListWidget(page);
  m_controllerList->setObjectName(QStringLiteral("controllerList"));
  m_controllerList->setSelectionMode(QAbstractItemView::SingleSelection);
  const std::vector<std::string> names =
      listControllers(m_ctx.paths);
  for (const std::string& name : names) m_controllerList->addItem(text(name));
  if (std::optional<std::size_t> row = selectedController(names, m_opt.optControllerName))
    m_controllerList->setCurrentRow(static_cast<int>(*row));

  auto* preview = new QPushButton(QStringLiteral("&Preview Controllers"), page);
  preview->setObjectName(QStringLiteral("preview"));
  preview->setAutoDefault(false);
  auto* note = new QLabel(QStringLiteral("<--- will use colours from colours tab"), page);
  note->setTextFormat(Qt::PlainText);

  auto* side = new QVBoxLayout;
  side->addWidget(preview);
  side->addStretch();
  auto* noteRow = new QHBoxLayout;
  noteRow->addLayout(side);
  noteRow->addWidget(note, 0, Qt::AlignTop);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(m_controllerList, 1);
  layout->addLayout(noteRow);

  // Connected after the list is filled: showing the stored name's entry is
  // not a choice of the user.
  connect(m_controllerList, &QListWidget::itemSelectionChanged, this, [this] {
    QList<QListWidgetItem*> chosen = m_controllerList->selectedItems();
    if (!chosen.isEmpty()) m_opt.optControllerName = utf8(chosen.first()->text());
  });
  connect(preview, &QPushButton::clicked, this, &OptionsWindow::previewControllers);
  return page;
}

QWidget* OptionsWindow::buildInstructionsPage() {
  auto* page = new QWidget;
  auto* group = new QGroupBox(QStringLiteral("Instruction"), page);
  auto* buttons = new QButtonGroup(page);
  const char* labels[] = {"C - Initially stopped, loops sound",
                          "D - Initially stopped, plays sound once",
                          "E - Initially playing, loops sound",
                          "F - Initially playing, plays sound once"};
  auto* groupLayout = new QVBoxLayout(group);
  for (int i = 0; i < 4; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(labels[i]), group);
    button->setObjectName(QStringLiteral("instruction%1").arg(QChar('c' + i)));
    buttons->addButton(button, i);
    groupLayout->addWidget(button);
  }
  auto* special = new QRadioButton(
      QStringLiteral("Special (future controllers may repond to special instructions)"), group);
  special->setObjectName(QStringLiteral("instructionSpecial"));
  buttons->addButton(special, 4);
  m_specialBox = new QLineEdit(group);
  m_specialBox->setObjectName(QStringLiteral("specialBox"));
  m_specialBox->setFixedWidth(horizontalUnits(12));
  auto* specialRow = new QHBoxLayout;
  specialRow->addWidget(special);
  specialRow->addWidget(m_specialBox);
  specialRow->addStretch();
  groupLayout->addLayout(specialRow);
  auto* note = new QLabel(
      QStringLiteral("If you are using a controller then you can give it instructions here"), page);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addWidget(note);
  layout->addStretch();

  // Filling the box runs its change handling, as typing would.
  connect(m_specialBox, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_opt.optInstruction = utf8(t); });
  const std::string first = m_opt.optInstruction.substr(0, 1);
  const std::string letters = "cdef";
  std::size_t known = first.empty() ? std::string::npos : letters.find(first[0]);
  m_specialBox->setEnabled(false);
  if (known != std::string::npos) {
    buttons->button(static_cast<int>(known))->setChecked(true);
  } else {
    special->setChecked(true);
    m_specialBox->setEnabled(true);
  }
  m_specialBox->setText(text(first));

  // C to F store their letter; Special stores a space until something is typed.
  connect(buttons, &QButtonGroup::idClicked, this, [this](int id) {
    const bool letter = id < 4;
    m_opt.optInstruction.assign(1, letter ? static_cast<char>('c' + id) : ' ');
    m_specialBox->setEnabled(!letter);
  });
  return page;
}

QWidget* OptionsWindow::buildColoursPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout;
  struct Field {
    const char* label;
    const char* pick;
    const char* name;
    std::string OptionSettings::*colour;
    QLabel** swatch;
  } fields[] = {
      {"&Background", "&Pick Colour", "background", &OptionSettings::optBackgroundColour,
       &m_backgroundSwatch},
      {"&Text", "P&ick Colour", "text", &OptionSettings::optTextColour, &m_textSwatch},
  };
  int row = 0;
  for (const Field& field : fields) {
    auto* label = new QLabel(QString::fromLatin1(field.label), page);
    auto* box = new QLineEdit(text(m_opt.*field.colour), page);
    box->setObjectName(QStringLiteral("%1Box").arg(QLatin1String(field.name)));
    box->setFixedWidth(horizontalUnits(40));
    label->setBuddy(box);
    QLabel* swatch = makeSwatch(page);
    swatch->setObjectName(QStringLiteral("%1Swatch").arg(QLatin1String(field.name)));
    *field.swatch = swatch;
    setSwatchColour(swatch, m_opt.*field.colour);
    auto* pick = new QPushButton(QString::fromLatin1(field.pick), page);
    pick->setObjectName(QStringLiteral("%1Pick").arg(QLatin1String(field.name)));
    pick->setAutoDefault(false);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(swatch, row, 2);
    grid->addWidget(pick, row, 3);
    ++row;

    auto colour = field.colour;
    connect(box, &QLineEdit::textChanged, this, [this, colour, swatch](const QString& t) {
      m_opt.*colour = utf8(t);
      setSwatchColour(swatch, m_opt.*colour);
    });
    connect(pick, &QPushButton::clicked, this, [this, box] { pickColour(box); });
  }
  grid->setColumnStretch(4, 1);
  auto* note = new QLabel(QStringLiteral("Enter HTML values or use the colour pickers"), page);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(grid);
  layout->addWidget(note);
  layout->addStretch();
  return page;
}

QWidget* OptionsWindow::buildInterfacePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  struct Box {
    const char* label;
    const char* name;
    bool OptionSettings::*flag;
  } boxes[] = {
      {"Play sounds on button clicks", "buttonSounds", &OptionSettings::optButtonSounds},
      {"Load background picture", "backgroundPicture", &OptionSettings::optBackgroundPicture},
      {"Round corners", "roundCorners", &OptionSettings::optRoundCorners},
  };
  for (const Box& b : boxes) {
    auto* check = new QCheckBox(QString::fromLatin1(b.label), page);
    check->setObjectName(QLatin1String(b.name));
    check->setChecked(m_opt.*b.flag);
    auto flag = b.flag;
    connect(check, &QCheckBox::clicked, this, [this, flag](bool on) { m_opt.*flag = on; });
    layout->addWidget(check);
  }
  layout->addSpacing(verticalUnits(6));
  for (const char* line : {"These settings control the program interface.",
                           "You would not normally need to change them.",
                           "Changes will not take effect until the next time the program is run."})
    layout->addWidget(new QLabel(QString::fromLatin1(line), page));
  layout->addStretch();
  return page;
}

void OptionsWindow::browseForFolder() {
  std::optional<std::string> folder;
  if (pickFolder) {
    folder = pickFolder(this);
  } else {
    QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Sonaflux - Select An Output Folder"), m_folderBox->text());
    if (!chosen.isEmpty()) folder = utf8(chosen);
  }
  if (!folder) return;
  if (folder->empty() || folder->back() != kPathSeparator) *folder += kPathSeparator;
  m_folderBox->setText(text(*folder));
}

void OptionsWindow::previewControllers() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  {
    const std::string message = "Generating preview...";
    std::unique_ptr<QWidget> working = showMessageWindow
                                           ? showMessageWindow(m_controllerList, message)
                                           : plainMessageWindow(m_controllerList, message);
    std::vector<std::string> entries;
    for (int i = 0; i < m_controllerList->count(); ++i)
      entries.push_back(utf8(m_controllerList->item(i)->text()));
    if (writePreviewPage(m_ctx.host, m_ctx.paths, entries, m_opt.optBackgroundColour,
                         m_opt.optTextColour)) {
      const std::string page = previewPagePath(m_ctx.paths.writableFolder());
      bool opened = openPage ? openPage(page) : openLocalFile(page);
      if (!opened)
        m_ctx.host.showMessage("Error: Could not launch the web page with the default browser.",
                               MessageIcon::Exclamation);
    }
  }
  QApplication::restoreOverrideCursor();
}

void OptionsWindow::showHelp() {
  if (openHelp) {
    openHelp(this);
    return;
  }
  if (!openLocalFile(m_ctx.paths.programFolder + "snx.hlp"))
    m_ctx.host.showMessage("Error: Could not launch help file.", MessageIcon::Exclamation);
}

void OptionsWindow::showTip() {
  if (!runTip) return;
  runTip(this);
  // The tip window saved its check box itself; OK must not undo it. Its tip
  // number is left as it was when this window opened.
  m_opt.optShowTipsAtStartup = m_ctx.settings.showTipsAtStartup;
}

void OptionsWindow::pickColour(QLineEdit* box) {
  QColor picked = QColorDialog::getColor(QColor(1, 0, 0), this);
  if (!picked.isValid()) return;
  // The box's change handling updates the working colour and the swatch.
  box->setText(text(formatHexColour({picked.red(), picked.green(), picked.blue()})));
}

void OptionsWindow::rememberFocus(QWidget* now) {
  if (!now) return;
  for (int i = 0; i < m_tabs->count(); ++i) {
    if (m_tabs->widget(i)->isAncestorOf(now)) {
      m_lastFocus[static_cast<std::size_t>(i)] = now;
      return;
    }
  }
}

void OptionsWindow::restoreFocus(int page) {
  if (page < 0) return;
  QWidget* target = m_lastFocus[static_cast<std::size_t>(page)];
  if (!target || !target->isEnabled()) target = firstFocusable(m_tabs->widget(page));
  if (target) target->setFocus(Qt::OtherFocusReason);
}

void OptionsWindow::accept() {
  // Saving may wait for a running job while pumping; a second OK must not
  // start a second save.
  if (m_committing) return;
  m_committing = true;
  commitOptions(m_ctx, m_opt, m_numberTyped);
  QDialog::accept();
}

}  // namespace sonaflux
