#pragma once

#include "engine/app_context.h"

namespace sonaflux {

/// Turns the PCM of a WAV input into 16-bit PCM in tmp2, measures peakLevel,
/// then runs the compression stage.
void readWavInput(AppContext& ctx);

}  // namespace sonaflux
