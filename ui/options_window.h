#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "settings/option_rules.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace sonaflux {

/// The modal Options window: edits working copies of every setting and saves
/// them only on OK. The windows it opens come from outside when given;
/// otherwise plain Qt dialogs stand in.
class OptionsWindow : public QDialog {
  Q_OBJECT

 public:
  OptionsWindow(AppContext& ctx, QWidget* parent);

  const OptionSettings& workingCopies() const { return m_opt; }

  /// Opens the help document; the fallback opens "snx.hlp" of the program folder.
  std::function<void(QWidget* owner)> openHelp;
  /// Runs the tip-of-the-day window, which saves the settings it changes.
  std::function<void(QWidget* owner)> runTip;
  /// A chosen folder, or nothing when the user cancelled.
  std::function<std::optional<std::string>(QWidget* owner)> pickFolder;
  /// Opens a written page in the browser; false when that failed.
  std::function<bool(const std::string& path)> openPage;
  /// Shows the "Working..." window with the text, centred over a widget; it
  /// stays until the returned object goes.
  std::function<std::unique_ptr<QWidget>(QWidget* over, const std::string& text)> showMessageWindow;

 private:
  QWidget* buildOutputPage();
  QWidget* buildBarePage();
  QWidget* buildControllerPage();
  QWidget* buildInstructionsPage();
  QWidget* buildColoursPage();
  QWidget* buildInterfacePage();

  void browseForFolder();
  void previewControllers();
  void showHelp();
  void showTip();
  void pickColour(QLineEdit* box);
  void rememberFocus(QWidget* now);
  void restoreFocus(int page);
  void accept() override;

  AppContext& m_ctx;
  OptionSettings m_opt;
  bool m_numberTyped = false;
  bool m_committing = false;

  QTabWidget* m_tabs = nullptr;
  std::vector<QPointer<QWidget>> m_lastFocus;

  QLineEdit* m_folderBox = nullptr;
  QPushButton* m_browse = nullptr;
  QListWidget* m_controllerList = nullptr;
  QLineEdit* m_specialBox = nullptr;
  QLabel* m_backgroundSwatch = nullptr;
  QLabel* m_textSwatch = nullptr;
};

}  // namespace sonaflux
