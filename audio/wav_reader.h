#pragma once

#include "engine/app_context.h"

namespace sonaflux {

/// Turns the PCM of a WAV input into 16-bit PCM in tmp2, measures peakLevel,
/// then runs the compression stage.
void readWavInput(AppContext& ctx);

/// The conversion alone: walks the RIFF chunks of inputHandle and appends the
/// samples to tmp2 as 16-bit PCM. Reports its own failures.
void convertWavIntoTmp2(AppContext& ctx);

}  // namespace sonaflux
