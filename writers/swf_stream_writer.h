#pragma once

#include "core/app_context.h"

namespace sonaflux {

/// The writing stage: copies the controller animation, writes the streaming
/// animation from the template and tmp3, then writes the HTML page.
void writeOutputFiles(AppContext& ctx);

}  // namespace sonaflux
