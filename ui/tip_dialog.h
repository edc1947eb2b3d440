#pragma once

#include <QWidget>

#include "core/app_context.h"

namespace sonaflux {

/// Shows the tip of the day modally: the tip after ctx.settings.nextTipNumber
/// at once, then Next Tip and Previous Tip; the number shown and the
/// show-at-startup box are saved after every step.
void runTipOfTheDay(AppContext& ctx, QWidget* owner);

}  // namespace sonaflux
