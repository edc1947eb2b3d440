#pragma once

#include "core/app_context.h"

namespace sonaflux {

/// Walks the RIFF chunks of inputHandle, turns its PCM into 16-bit PCM in
/// tmp2 and measures peakLevel. Reports its own failures.
void readWavInput(AppContext& ctx);

}  // namespace sonaflux
