#pragma once

#include <string>

#include "engine/app_context.h"

namespace sonaflux {

/// Path of the chosen controller in the Controllers folder.
std::string controllerPath(const AppContext& ctx);

/// Copies the chosen controller into the controller animation (controller
/// output only).
void writeControllerAnimation(AppContext& ctx);

}  // namespace sonaflux
