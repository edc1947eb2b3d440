#pragma once

#include "engine/app_context.h"

namespace sonaflux {

/// Decodes tmp1 into 16-bit PCM in tmp2 through the decoder plug-in, measures
/// peakLevel, then runs the compression stage.
void decodeMp3Input(AppContext& ctx);

}  // namespace sonaflux
