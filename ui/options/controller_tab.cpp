#include "ui/options/controller_tab.h"

#include "core/messages.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/message_window.h"
#include "ui/options/colours_tab.h"
#include "ui/page_opener.h"
#include "writers/controller_list.h"
#include "writers/preview_page_writer.h"

namespace sonaflux {

ControllerTab::ControllerTab(AppContext& ctx, const OptionSettings& start, const ColoursTab& colours, QWidget* parent)
    : OptionsTab(QStringLiteral("Controller"), parent),
      m_ctx(ctx),
      m_colours(colours),
      m_controllerName(start.optControllerName) {
  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("controllerList"));
  m_list->setAccessibleName(QStringLiteral("Controllers"));
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  const std::vector<std::string> names = listControllers(ctx.paths);
  for (const std::string& name : names) m_list->addItem(QString::fromStdString(name));
  if (std::optional<std::size_t> row = selectedController(names, m_controllerName))
    m_list->setCurrentRow(static_cast<int>(*row));

  auto* preview = new QPushButton(QStringLiteral("&Preview Controllers"), this);
  preview->setObjectName(QStringLiteral("preview"));
  preview->setAutoDefault(false);
  QLabel* note = wrappingNote(QStringLiteral("<--- will use colours from colours tab"), this);

  auto* side = new QVBoxLayout;
  side->addWidget(preview);
  side->addWidget(note);
  side->addStretch();
  QBoxLayout* column = pageColumn();
  column->setDirection(QBoxLayout::LeftToRight);
  column->addWidget(m_list, 1);
  column->addLayout(side, 1);

  // Connected after the list is filled: showing the stored name's entry is
  // not a choice of the user.
  connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> chosen = m_list->selectedItems();
    if (!chosen.isEmpty()) m_controllerName = chosen.first()->text().toStdString();
  });
  connect(preview, &QPushButton::clicked, this, &ControllerTab::previewControllers);
}

void ControllerTab::previewControllers() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  {
    MessageWindow working(QStringLiteral("Generating preview..."), window());
    // Placed once shown, when the size of its frame is known.
    working.show();
    working.centreOn(*m_list);
    // Painted before the work starts, which keeps the event loop waiting.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    std::vector<std::string> entries;
    for (int i = 0; i < m_list->count(); ++i) entries.push_back(m_list->item(i)->text().toStdString());
    Host& host = m_ctx.host;
    auto fail = [&host] { host.showMessage(kMsgCannotLaunchPage, MessageIcon::Exclamation); };
    // The preview page beside the user's own controllers shows the shipped ones too.
    if (writePreviewPage(host, m_ctx.paths, entries, m_colours.backgroundColour(), m_colours.textColour()) &&
        !openPageInBrowser(previewPagePath(m_ctx.paths.writableFolder()), fail,
                           controllersFolder(m_ctx.paths.programFolder)))
      fail();
  }
  QApplication::restoreOverrideCursor();
}

}  // namespace sonaflux
