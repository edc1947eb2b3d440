#pragma once

#include "core/app_context.h"

namespace sonaflux {

/// Normalises tmp2 against peakLevel and compresses it through the loaded
/// encoder plug-in into the 24 kbit/s mono stream in tmp3. Reports its own
/// failures.
void compressStream(AppContext& ctx);

}  // namespace sonaflux
