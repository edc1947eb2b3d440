#pragma once

#include "core/app_context.h"
#include "settings/option_rules.h"

namespace sonaflux {

/// Makes the working copies the settings and saves the parameters file,
/// ending the program when it cannot be written. Unless the user typed a new
/// output number, the number kept is the one in the parameters file now, so
/// that numbers taken by other jobs meanwhile are not handed out again. Waits
/// (pumping) while a job of the program folder holds its lock.
void commitOptions(AppContext& ctx, const OptionSettings& opt, bool outputNumberTyped);

}  // namespace sonaflux
