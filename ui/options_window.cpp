#include "ui/options_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "engine/options_commit.h"
#include "ui/coloured_label.h"
#include "ui/dialog_look.h"
#include "ui/options/bare_tab.h"
#include "ui/options/colours_tab.h"
#include "ui/options/controller_tab.h"
#include "ui/options/instructions_tab.h"
#include "ui/options/interface_tab.h"
#include "ui/options/output_tab.h"
#include "ui/page_opener.h"
#include "ui/tip_dialog.h"

namespace sonaflux {

namespace {

// The first control of a page that can take the focus from the keyboard.
QWidget* firstFocusable(QWidget* page) {
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return w;
  }
  return nullptr;
}

// Tabs narrower than the style's, so that all six show in one row.
class CompactTabStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? size / 2 : size;
  }
};

QPushButton* windowButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

OptionsWindow::OptionsWindow(AppContext& ctx, GuiHost& host, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_owner(host, this), m_opt(workingCopiesOf(ctx.settings)) {
  shapeCaptionlessDialog(*this, 272, 182);
  setObjectName(QStringLiteral("optionsWindow"));
  const QString title = QStringLiteral("Sonaflux - Options");
  setWindowTitle(title);
  setModal(true);

  auto* help = windowButton(QStringLiteral("&Help"), "help", this);
  m_tabs = new QTabWidget(this);
  // The tab row never keeps the focus: it goes on to the page's control.
  m_tabs->tabBar()->setFocusPolicy(Qt::NoFocus);
  auto* compact = new CompactTabStyle;
  compact->setParent(m_tabs->tabBar());
  m_tabs->tabBar()->setStyle(compact);
  auto* colours = new ColoursTab(m_opt);
  addTab(m_output = new OutputTab(m_opt));
  addTab(new BareTab(m_opt));
  addTab(new ControllerTab(ctx, m_opt, *colours));
  addTab(new InstructionsTab(m_opt));
  addTab(colours);
  addTab(new InterfaceTab(m_opt));
  auto* tip = windowButton(QStringLiteral("&Tip of the day"), "tip", this);
  auto* ok = windowButton(QStringLiteral("&OK"), "ok", this);
  ok->setDefault(true);
  auto* cancel = windowButton(QStringLiteral("&Cancel"), "cancel", this);

  auto* top = new QHBoxLayout;
  top->addWidget(makeWindowTitle(title, this));
  top->addStretch();
  top->addWidget(help);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(tip);
  bottom->addStretch();
  bottom->addWidget(ok);
  bottom->addWidget(cancel);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(dialogUnitsX(4), dialogUnitsY(3), dialogUnitsX(4), dialogUnitsY(3));
  column->setSpacing(dialogUnitsY(2));
  column->addLayout(top);
  column->addWidget(m_tabs, 1);
  column->addLayout(bottom);

  // Every control lets these through to the tabs, even those that take
  // other control keys for themselves.
  const auto step = [this](int by) {
    m_tabs->setCurrentIndex((m_tabs->currentIndex() + by + m_tabs->count()) % m_tabs->count());
  };
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this, [step] { step(+1); });
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this), &QShortcut::activated, this,
          [step] { step(-1); });

  connect(help, &QPushButton::clicked, this, &OptionsWindow::showHelp);
  connect(tip, &QPushButton::clicked, this, &OptionsWindow::showTip);
  connect(ok, &QPushButton::clicked, this, &OptionsWindow::accept);
  connect(cancel, &QPushButton::clicked, this, &OptionsWindow::reject);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { rememberFocus(now); });
  connect(m_tabs, &QTabWidget::currentChanged, this, &OptionsWindow::restoreFocus);
}

void OptionsWindow::addTab(OptionsTab* tab) {
  m_tabs->addTab(tab, tab->label());
  m_pages.push_back(tab);
  m_lastFocus.emplace_back();
}

OptionSettings OptionsWindow::workingCopies() const {
  OptionSettings opt = m_opt;
  for (const OptionsTab* page : m_pages) page->collect(opt);
  return opt;
}

void OptionsWindow::paintEvent(QPaintEvent*) { paintThinBorder(*this); }

void OptionsWindow::showHelp() {
  Host& host = m_ctx.host;
  auto fail = [&host] { host.showMessage(kMsgCannotLaunchHelp, MessageIcon::Exclamation); };
  if (!openHelpPage(m_ctx.paths.programFolder, fail)) fail();
}

void OptionsWindow::showTip() {
  TipDialog tip(m_ctx, this);
  tip.exec();
  // The tip window saved its check box itself; OK must not undo it. Its tip
  // number is left as it was when this window opened.
  m_opt.optShowTipsAtStartup = m_ctx.settings.showTipsAtStartup;
}

void OptionsWindow::rememberFocus(QWidget* now) {
  if (!now) return;
  for (std::size_t i = 0; i < m_pages.size(); ++i) {
    if (m_pages[i]->isAncestorOf(now)) {
      m_lastFocus[i] = now;
      return;
    }
  }
}

void OptionsWindow::restoreFocus(int page) {
  if (page < 0) return;
  QWidget* target = m_lastFocus[static_cast<std::size_t>(page)];
  if (!target || !target->isEnabled()) target = firstFocusable(m_pages[static_cast<std::size_t>(page)]);
  if (target) target->setFocus(Qt::OtherFocusReason);
}

void OptionsWindow::accept() {
  // Saving may wait for a running job while pumping; a second OK must not
  // start a second save.
  if (m_committing) return;
  m_committing = true;
  commitOptions(m_ctx, workingCopies(), m_output->numberTyped());
  QDialog::accept();
}

}  // namespace sonaflux
