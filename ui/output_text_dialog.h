#pragma once

#include <QWidget>

#include "core/app_context.h"

namespace sonaflux {

/// Asks for the text the web page shows for the sound, starting from
/// ctx.inputs.inputTitle. OK stores the text there and returns true; Cancel
/// and Escape leave it and return false, and no job should start.
bool runOutputText(AppContext& ctx, QWidget* owner);

}  // namespace sonaflux
