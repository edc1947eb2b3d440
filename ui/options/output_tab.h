#pragma once

#include <string>

#include "core/settings_record.h"
#include "ui/options/options_tab.h"

class QLineEdit;
class QPushButton;

namespace sonaflux {

/// Where the output goes, the next output number and the page setting.
class OutputTab : public OptionsTab {
 public:
  explicit OutputTab(const OptionSettings& start, QWidget* parent = nullptr);

  void collect(OptionSettings& opt) const override;
  /// Whether the user typed an output number; an untyped one is read afresh
  /// from the parameters file when the window saves.
  bool numberTyped() const { return m_numberTyped; }

 private:
  void setToDesktop(bool desktop);
  void browseForFolder();

  bool m_toDesktop;
  std::string m_folder;
  std::int32_t m_number;
  PageFor m_pageFor;
  bool m_numberTyped = false;

  QLineEdit* m_folderBox = nullptr;
  QPushButton* m_browse = nullptr;
};

}  // namespace sonaflux
