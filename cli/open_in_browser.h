#pragma once

#include <string>

#include "engine/create_command.h"

namespace sonaflux::cli {

/// Serves the finished output set on 127.0.0.1, prints the page's address,
/// opens it in the browser and serves until Ctrl-C (or Enter on a terminal).
/// False when the server could not start.
bool serveInBrowser(const std::string& programFolder, const JobReport& report);

/// The same for an output set already in folder: page, or the set written
/// last. False, after saying why, when there is nothing to serve.
bool serveExistingSet(const std::string& programFolder, const std::string& folder, const std::string& page);

}  // namespace sonaflux::cli
