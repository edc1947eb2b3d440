#pragma once

#include "ui/options/options_tab.h"

namespace sonaflux {

/// The main window's sounds, background picture and round corners, read at
/// the next start.
class InterfaceTab : public OptionsTab {
 public:
  explicit InterfaceTab(const OptionSettings& start, QWidget* parent = nullptr);

  void collect(OptionSettings& opt) const override;

 private:
  bool m_buttonSounds;
  bool m_backgroundPicture;
  bool m_roundCorners;
};

}  // namespace sonaflux
