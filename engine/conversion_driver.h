#pragma once

#include "core/app_context.h"

namespace sonaflux {

/// Runs one conversion job from the input to the finished output set. On
/// return jobFailed clear means success; jobFailed with jobCancelled means the
/// user cancelled; jobFailed alone means failure (already reported).
void runConversionJob(AppContext& ctx);

/// Name of the lock file in the settings folder that keeps two jobs from
/// choosing the same output number.
inline constexpr const char* kJobLockFileName = "snx.lock";

}  // namespace sonaflux
