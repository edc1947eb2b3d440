#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// A program folder that holds a file of this name keeps every user's
/// settings in their home, root's too: the package's program folder, which
/// no program may write.
inline constexpr const char* kPerUserSettingsMarker = "per-user-settings";

/// The settings folder of a program folder: the program folder itself where
/// this user can write it, else userConfigFolder() + "sonaflux/".
std::string chooseSettingsFolder(const std::string& programFolder);

/// Sets ctx.paths.settingsFolder. A settings folder apart from the program
/// folder is created with an empty Controllers/ and a copy of the program
/// folder's snx.da0 when it has none. A folder that cannot be created or
/// written shows "Error: Cannot write to settings folder "<path>"." (stop
/// icon) and terminates with code 1.
void setUpSettingsFolder(AppContext& ctx);

}  // namespace sonaflux
