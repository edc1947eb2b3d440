#pragma once

#include <string>

namespace sonaflux::artwork {

/// Writes every picture and click sound of the desktop program into folder
/// (which must exist), drawing text with the TrueType font at fontPath.
/// False with a reason in error when a file cannot be made.
[[nodiscard]] bool writeArtwork(const std::string& folder, const std::string& fontPath, std::string& error);

}  // namespace sonaflux::artwork
