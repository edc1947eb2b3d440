#pragma once

#include "engine/app_context.h"

namespace sonaflux {

/// Normalises tmp2 and compresses it through the encoder plug-in into the
/// 24 kbit/s mono stream in tmp3, then runs the writing stage.
void compressStream(AppContext& ctx);

/// The compression alone: normalises tmp2 and encodes it into tmp3 through
/// the loaded encoder. False when the job failed (already reported).
bool compressTmp2IntoTmp3(AppContext& ctx);

}  // namespace sonaflux
