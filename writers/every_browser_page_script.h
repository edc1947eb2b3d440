#pragma once

#include <string_view>

namespace sonaflux {

/// The standards page's scripts as written in the source, lines ending in
/// LF. The first feeds the sound file to the page's <audio id="sound">
/// through a MediaSource as it arrives, as MP3 where the browser takes MP3
/// there, else as the same frames wrapped into fragmented MP4 by the second,
/// else it gives the element the file's address.
std::string_view everyBrowserFeedScript();
std::string_view everyBrowserMp4Script();

}  // namespace sonaflux
