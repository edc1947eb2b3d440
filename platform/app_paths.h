#pragma once

#include <string>

namespace sonaflux {

/// Folder of the running executable, ending in the separator.
std::string executableFolder();

/// The user's desktop folder, ending in the separator: the XDG desktop folder
/// when it exists, else the home folder.
std::string userDesktopFolder();

/// The user's home folder, ending in the separator.
std::string userHomeFolder();

/// Where programs keep a user's settings, ending in the separator:
/// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config/.
std::string userConfigFolder();

/// True when this user may create files in the folder. Root, whom the
/// system lets write anywhere, is held to the folder's permission bits.
bool canWriteFolder(const std::string& folder);

/// Creates the folder and any missing parents (mode 0700 for new ones);
/// true when it exists as a folder afterwards.
bool makeFolders(const std::string& folder);

/// Path separator of the platform.
inline constexpr char kPathSeparator = '/';

}  // namespace sonaflux
