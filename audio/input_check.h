#pragma once

#include "core/app_context.h"

namespace sonaflux {

/// Checks inputs.inputPath before a job (name, extension, existence, data,
/// opening), sets inputIsWav and makes inputTitle from the ID3 tags or the
/// file name. Reports its own messages; sets inputs.inputCheckFailed.
void runInputFileCheck(AppContext& ctx);

}  // namespace sonaflux
