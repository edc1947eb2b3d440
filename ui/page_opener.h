#pragma once

#include <functional>
#include <string>

class QUrl;

namespace sonaflux {

/// Runs from the event loop when the desktop's launcher reports, after it
/// started, that it could not open the address.
using LaunchFailed = std::function<void()>;

/// Hands an address to the desktop's launcher (xdg-open). False at once when
/// the launcher cannot be found or started; a launcher that ends with a
/// failure status calls onFailure later.
bool launchAddress(const QUrl& url, LaunchFailed onFailure);

/// Opens a page the program wrote (an output page or the controllers'
/// preview) in the user's browser through the local preview server, which
/// adds the program's player, so the page plays without a browser extension.
/// The server starts at the first page and serves on 127.0.0.1 only. False
/// when the page is missing or the launcher could not start; a launcher that
/// fails later calls onFailure. Files the page's folder lacks are served
/// from fallbackFolder when one is given.
bool openPageInBrowser(const std::string& path, LaunchFailed onFailure = {}, const std::string& fallbackFolder = {});

/// Opens the program's help page, snxhelp.htm of the program folder, in the
/// user's browser. False when it is missing or could not be launched.
bool openHelpPage(const std::string& programFolder, LaunchFailed onFailure = {});

/// Stops the preview server, if it runs; called when the program ends.
void stopPageServer();

}  // namespace sonaflux
