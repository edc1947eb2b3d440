#pragma once

#include <string>

#include "tools/controllers/controller_design.h"

namespace sonaflux::controllers {

/// The controller for pages without a Flash player: inline SVG drawn from the
/// same outlines as the movie, and a script that drives the page's <audio>.
/// The page wraps it in an element whose data-sound names the <audio> by id
/// and whose data-instruction holds the instruction letter (c, d, e, f;
/// anything else acts as c). Without an <audio> it only shows its look.
/// Every line ends in CR LF, as on the page.
std::string buildControllerTwin(const Design& design);

}  // namespace sonaflux::controllers
