#pragma once

#include <string>

namespace sonaflux {

/// Opens a page the program wrote (an output page or the controllers'
/// preview) in the user's browser through the local preview server, which
/// adds the program's player, so the page plays without a browser extension.
/// The server starts at the first page and serves on 127.0.0.1 only. False
/// when the page is missing or the browser could not be launched. Files the
/// page's folder lacks are served from fallbackFolder when one is given.
bool openPageInBrowser(const std::string& path, const std::string& fallbackFolder = {});

/// Stops the preview server, if it runs; called when the program ends.
void stopPageServer();

}  // namespace sonaflux
