#pragma once

#include <string>

namespace sonaflux {

/// Opens a page the program wrote (an output page or the controllers'
/// preview) in the user's browser through the local preview server, which
/// adds the program's player, so the page plays without a browser extension.
/// The server starts at the first page and serves on 127.0.0.1 only. False
/// when the page is missing or the browser could not be launched.
bool openPageInBrowser(const std::string& path);

/// Opens the program's help page, snxhelp.htm of the program folder, in the
/// user's browser. False when it is missing or could not be launched.
bool openHelpPage(const std::string& programFolder);

/// Stops the preview server, if it runs; called when the program ends.
void stopPageServer();

}  // namespace sonaflux
