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

/// A controller's twin for pages without a Flash player: its name with
/// ".htm", beside it in the Controllers folder.
std::string controllerTwinPath(const std::string& controllersFolder, const std::string& name);

/// The largest twin a page takes in.
inline constexpr std::int64_t kLargestControllerTwin = 64 * 1024;

/// The twin's text as it stands. Empty when the file is missing, unreadable
/// or empty; also empty, after a message naming it, when it is larger than
/// kLargestControllerTwin. Empty means the browser's own controls.
std::string readControllerTwin(Host& host, const std::string& path);

/// Width and height in pixels carried by a controller name's last eight
/// characters ("01150040": 150 x 40); 0 where a field holds no number.
struct ControllerSize {
  int width = 0;
  int height = 0;
};
ControllerSize controllerSize(const std::string& controllerName);

}  // namespace sonaflux
