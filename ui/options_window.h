#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

#include "core/app_context.h"
#include "settings/option_rules.h"
#include "ui/gui_host.h"

class QTabWidget;

namespace sonaflux {

class OptionsTab;
class OutputTab;

/// The modal Options window: one tab per group of settings, each editing its
/// working copies, which are saved only on OK. While it is open the
/// program's messages belong to it.
class OptionsWindow : public QDialog {
  Q_OBJECT

 public:
  OptionsWindow(AppContext& ctx, GuiHost& host, QWidget* parent);

  /// The working copies as the tabs hold them now.
  OptionSettings workingCopies() const;

  void accept() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void addTab(OptionsTab* tab);
  void showHelp();
  void showTip();
  void rememberFocus(QWidget* now);
  void restoreFocus(int page);

  AppContext& m_ctx;
  OwnerScope m_owner;
  // What every tab starts from; the tip settings, which no tab shows, stay here.
  OptionSettings m_opt;
  bool m_committing = false;

  QTabWidget* m_tabs = nullptr;
  OutputTab* m_output = nullptr;
  std::vector<OptionsTab*> m_pages;
  std::vector<QPointer<QWidget>> m_lastFocus;
};

}  // namespace sonaflux
