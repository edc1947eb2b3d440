#pragma once

#include <string>

#include "core/app_context.h"
#include "ui/options/options_tab.h"

class QListWidget;

namespace sonaflux {

class ColoursTab;

/// The controller of the output, chosen from the Controllers folder, and
/// the preview page of every controller in the colours of the Colours tab.
class ControllerTab : public OptionsTab {
 public:
  ControllerTab(AppContext& ctx, const OptionSettings& start, const ColoursTab& colours, QWidget* parent = nullptr);

  void collect(OptionSettings& opt) const override { opt.optControllerName = m_controllerName; }

 private:
  void previewControllers();

  AppContext& m_ctx;
  const ColoursTab& m_colours;
  std::string m_controllerName;
  QListWidget* m_list = nullptr;
};

}  // namespace sonaflux
