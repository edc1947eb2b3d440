#pragma once

#include "engine/app_context.h"

namespace sonaflux {

/// Normalises tmp2 and compresses it through the encoder plug-in into the
/// 24 kbit/s mono stream in tmp3, then runs the writing stage.
void compressStream(AppContext& ctx);

}  // namespace sonaflux
