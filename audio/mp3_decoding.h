#pragma once

#include "core/app_context.h"

namespace sonaflux {

/// Decodes tmp1 into 16-bit PCM in tmp2 through the loaded decoder plug-in
/// and measures peakLevel. Reports its own failures.
void decodeMp3Input(AppContext& ctx);

}  // namespace sonaflux
