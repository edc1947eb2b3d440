#pragma once

#include <cstdint>

#include "ui/options/options_tab.h"

namespace sonaflux {

/// Whether a controller runs the output, or it plays bare, looping or once.
class BareTab : public OptionsTab {
 public:
  explicit BareTab(const OptionSettings& start, QWidget* parent = nullptr);

  void collect(OptionSettings& opt) const override { opt.optOutputMode = m_outputMode; }

 private:
  std::int32_t m_outputMode;
};

}  // namespace sonaflux
