#include "ui/working_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "platform/file.h"
#include "ui/coloured_label.h"
#include "ui/dialog_look.h"
#include "ui/gui_host.h"
#include "ui/page_opener.h"
#include "ui/qt_progress_bar.h"

namespace sonaflux {

namespace {

constexpr int kBarRange = 101;

const char* const kStageNames[4] = {"Reading in, analysing and cleaning:", "Decompressing and normalising:",
                                    "Compressing to 56K streaming format:", "Writing output files:"};

QLabel* plainLabel(const QString& text, QWidget* parent, const char* name = nullptr) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  if (name) label->setObjectName(QLatin1String(name));
  return label;
}

}  // namespace

WorkingWindow::WorkingWindow(AppContext& ctx, GuiHost& host, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_host(host) {
  shapeCaptionlessDialog(*this, 242, 164);
  setObjectName(QStringLiteral("workingWindow"));
  setWindowTitle(QStringLiteral("Sonaflux - Working..."));
  setAccessibleName(windowTitle());

  auto* title = makeWindowTitle(QStringLiteral("Sonaflux - Working..."), this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(dialogUnitsX(7), dialogUnitsY(4), dialogUnitsX(7), dialogUnitsY(5));
  layout->setSpacing(2);
  layout->addWidget(title);
  layout->addSpacing(4);
  for (std::size_t i = 0; i < m_bars.size(); ++i) {
    const QString stage = QLatin1String(kStageNames[i]);
    layout->addWidget(plainLabel(stage, this));
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("bar%1").arg(i + 1));
    bar->setAccessibleName(stage.chopped(1));
    bar->setRange(0, kBarRange);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(dialogUnitsY(8));
    m_bars[i] = bar;
    layout->addWidget(bar);
    layout->addSpacing(3);
  }
  m_resultBox = new QVBoxLayout;
  m_resultBox->setSpacing(2);
  layout->addLayout(m_resultBox);
  layout->addStretch();

  m_finished = plainLabel(QStringLiteral("Finished Successfully!"), this, "finished");
  m_failed = plainLabel(QStringLiteral("Failed"), this, "failed");
  m_cancelled = plainLabel(QStringLiteral("Cancelled"), this, "cancelled");
  m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  m_cancel->setObjectName(QStringLiteral("cancel"));
  m_ok = new QPushButton(QStringLiteral("&OK"), this);
  m_ok->setObjectName(QStringLiteral("ok"));
  m_ok->setDefault(true);
  m_launch = new QPushButton(QStringLiteral("&Launch Output"), this);
  m_launch->setObjectName(QStringLiteral("launchOutput"));
  // Enter must not stop a job: a key held since the Create command would
  // otherwise cancel it the moment the window opens.
  m_cancel->setAutoDefault(false);
  m_launch->setAutoDefault(false);
  m_cancel->setFocus();

  auto* bottom = new QGridLayout;
  bottom->setColumnStretch(1, 1);
  bottom->addWidget(m_launch, 0, 0, Qt::AlignLeft);
  for (QLabel* outcome : {m_finished, m_failed, m_cancelled}) {
    outcome->hide();
    bottom->addWidget(outcome, 0, 1, Qt::AlignCenter);
  }
  bottom->addWidget(m_cancel, 0, 2, Qt::AlignRight);
  bottom->addWidget(m_ok, 0, 2, Qt::AlignRight);
  // Keep the row's shape while Launch Output and OK are still hidden.
  QSizePolicy keep = m_launch->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  m_launch->setSizePolicy(keep);
  m_launch->hide();
  m_ok->hide();
  layout->addSpacing(dialogUnitsY(3));
  layout->addLayout(bottom);

  connect(m_cancel, &QPushButton::clicked, this, &WorkingWindow::cancelJob);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_launch, &QPushButton::clicked, this, &WorkingWindow::launchOutput);
}

void WorkingWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Started from the event loop rather than here, so that the window is
  // painted before the first unit of work.
  if (!m_jobStarted) QTimer::singleShot(0, this, &WorkingWindow::runJob);
}

void WorkingWindow::paintEvent(QPaintEvent*) { paintThinBorder(*this); }

void WorkingWindow::runJob() {
  if (m_jobStarted || !isVisible()) return;
  m_jobStarted = true;
  m_jobRunning = true;
  {
    OwnerScope owner(m_host, this);
    QtProgressBar read(m_bars[0]), decode(m_bars[1]), compress(m_bars[2]), write(m_bars[3]);
    m_report = runCreateCommand(m_ctx, {&read, &decode, &compress, &write});
  }
  m_jobRunning = false;
  showOutcome();
}

void WorkingWindow::cancelJob() {
  requestCancel(m_ctx);
  m_cancel->hide();
}

void WorkingWindow::reject() {
  if (m_jobRunning) {
    // The user sees Cancel go down, as if pressed, before it goes away.
    if (m_cancel->isVisible()) m_cancel->animateClick();
    return;
  }
  QDialog::reject();
}

void WorkingWindow::showOutcome() {
  m_cancel->hide();
  m_ok->show();
  m_ok->setFocus();
  switch (m_report.outcome) {
    case JobOutcome::Cancelled: m_cancelled->show(); return;
    case JobOutcome::Failed: m_failed->show(); return;
    case JobOutcome::Finished: break;
  }
  m_finished->show();
  m_launch->show();
  for (const CreatedFile& file : m_report.createdFiles) addResultLine(QString::fromStdString(resultLine(file)));
  addResultLine(QStringLiteral("in ") + QString::fromStdString(m_report.outputFolder));
  // Grows downwards when the lines need more room than the window has.
  const int needed = layout()->totalSizeHint().height();
  if (needed > height()) setFixedHeight(needed);
}

void WorkingWindow::addResultLine(const QString& text) {
  auto* line = new ColouredLabel(this);
  line->setTextFormat(Qt::PlainText);
  line->setObjectName(QStringLiteral("resultLine"));
  const int room = width() - layout()->contentsMargins().left() - layout()->contentsMargins().right();
  // A long folder keeps both ends; the whole of it stays in the tooltip.
  const QString shown = line->fontMetrics().elidedText(text, Qt::ElideMiddle, room);
  line->setText(shown);
  if (shown != text) line->setToolTip(text);
  line->setAccessibleName(text);
  m_resultBox->addWidget(line);
  m_resultLines.push_back(line);
  line->show();
}

void WorkingWindow::launchOutput() {
  QPointer<WorkingWindow> self(this);
  auto fail = [self] {
    if (!self) return;
    OwnerScope owner(self->m_host, self);
    self->m_host.showMessage(kMsgCannotLaunchPage, MessageIcon::Exclamation);
  };
  if (!openOutputPage(m_report, fail)) fail();
}

bool openOutputPage(const JobReport& report, LaunchFailed onFailure) {
  if (report.outcome != JobOutcome::Finished) return false;
  for (const CreatedFile& file : report.createdFiles) {
    const std::string& name = file.name;
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".htm") != 0) continue;
    return openPageInBrowser(report.outputFolder + name, std::move(onFailure));
  }
  return false;
}

}  // namespace sonaflux
