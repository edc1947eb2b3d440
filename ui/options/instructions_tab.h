#pragma once

#include <string>

#include "ui/options/options_tab.h"

class QLineEdit;

namespace sonaflux {

/// The instruction the controller gets: C to F, or a special letter.
class InstructionsTab : public OptionsTab {
 public:
  explicit InstructionsTab(const OptionSettings& start, QWidget* parent = nullptr);

  void collect(OptionSettings& opt) const override { opt.optInstruction = m_instruction; }

 private:
  std::string m_instruction;
  QLineEdit* m_specialBox = nullptr;
};

}  // namespace sonaflux
