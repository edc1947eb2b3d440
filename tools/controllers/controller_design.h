#pragma once

#include <string>
#include <vector>

#include "swf/records.h"

namespace sonaflux::controllers {

/// A box in whole pixels on the controller's stage.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

enum class ButtonShape { Rounded, Round };

struct Palette {
  swf::Rgb panel, face, faceOver, faceDown, icon, track, loaded, played;
};

/// The look and layout of one controller. The name ends in the controller
/// code: two digits, then width and height as three digits each.
struct Design {
  std::string name;
  std::string description;
  int width = 0, height = 0;
  int panelRadius = 0;
  ButtonShape buttonShape = ButtonShape::Rounded;
  Palette colours;
  Box play, pause, stop;
  Box bar;
};

/// Every controller shipped with the program.
const std::vector<Design>& shippedDesigns();

}  // namespace sonaflux::controllers
