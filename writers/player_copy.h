#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// The folder of the browser player's files, in the program folder and
/// beside a page that loads the copy.
inline constexpr const char* kPlayerFolderName = "player";
/// The script a page loads to start the player.
inline constexpr const char* kPlayerScriptName = "ruffle.js";
/// Where anyone's browser can load the player from.
inline constexpr const char* kPlayerPublicAddress = "https://unpkg.com/@ruffle-rs/ruffle";

/// programFolder + "player/".
std::string programPlayerFolder(const std::string& programFolder);

/// Copies the program's player folder into the output folder, once: an
/// output folder that already holds the player keeps it. A failed copy
/// leaves nothing behind and fails the job.
void copyPlayerBesidePage(AppContext& ctx);

}  // namespace sonaflux
