#pragma once

#include "engine/app_context.h"

namespace sonaflux {

/// Decodes tmp1 into 16-bit PCM in tmp2 through the decoder plug-in, measures
/// peakLevel, then runs the compression stage.
void decodeMp3Input(AppContext& ctx);

/// The decoding alone: feeds tmp1 to the loaded decoder, appends its PCM to
/// tmp2 and measures peakLevel. Reports its own failures.
void decodeTmp1IntoTmp2(AppContext& ctx);

}  // namespace sonaflux
