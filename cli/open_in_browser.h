#pragma once

#include <string>

#include "engine/create_command.h"

namespace sonaflux::cli {

/// Serves the finished output set on 127.0.0.1, prints the page's address,
/// opens it in the browser and serves until Enter, end of input or Ctrl-C.
/// False when the server could not start.
bool serveInBrowser(const std::string& programFolder, const JobReport& report);

}  // namespace sonaflux::cli
