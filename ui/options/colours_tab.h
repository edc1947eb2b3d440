#pragma once

#include <string>

#include "ui/options/options_tab.h"

class QLineEdit;

namespace sonaflux {

/// The page's background and text colours, typed as hex or picked.
class ColoursTab : public OptionsTab {
 public:
  explicit ColoursTab(const OptionSettings& start, QWidget* parent = nullptr);

  void collect(OptionSettings& opt) const override;
  const std::string& backgroundColour() const { return m_background; }
  const std::string& textColour() const { return m_text; }

 private:
  void pickColour(QLineEdit* box);

  std::string m_background;
  std::string m_text;
};

}  // namespace sonaflux
