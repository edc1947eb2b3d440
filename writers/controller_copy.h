#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// Path of the chosen controller in the Controllers folder.
std::string controllerPath(const AppContext& ctx);

/// Copies the chosen controller into the controller animation (controller
/// output only).
void writeControllerAnimation(AppContext& ctx);

/// Width and height in pixels carried by a controller name's last eight
/// characters ("01150040": 150 x 40); 0 where a field holds no number.
struct ControllerSize {
  int width = 0;
  int height = 0;
};
ControllerSize controllerSize(const std::string& controllerName);

}  // namespace sonaflux
