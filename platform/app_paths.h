#pragma once

#include <string>

namespace sonaflux {

/// Folder of the running executable, ending in the separator.
std::string executableFolder();

/// The user's desktop folder, ending in the separator: the XDG desktop folder,
/// else $HOME/Desktop/.
std::string userDesktopFolder();

/// Path separator of the platform.
inline constexpr char kPathSeparator = '/';

}  // namespace sonaflux
