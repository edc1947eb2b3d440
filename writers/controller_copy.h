#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// Path of the chosen controller in the Controllers folder.
std::string controllerPath(const AppContext& ctx);

/// A controller name that stays inside the Controllers folder.
bool isSafeControllerName(const std::string& name);

/// Opens the chosen controller for copying: the name must stay in its
/// folder and the file must be a regular file. Otherwise shows "Error:
/// Cannot open controller "<path>"." and fails the job.
bool openController(AppContext& ctx, File& controller);

/// Checks the controller before any work (controller output only): it must
/// open as for the copy and start with "FWS" or "CWS" and a version byte;
/// otherwise the job fails with the same message.
void checkController(AppContext& ctx);

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
