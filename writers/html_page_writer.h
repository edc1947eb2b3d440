#pragma once

#include <string>

#include "engine/app_context.h"

namespace sonaflux {

/// Writes the HTML page into htmlFile; a failed write fails the job.
void writeHtmlPage(AppContext& ctx);

}  // namespace sonaflux
