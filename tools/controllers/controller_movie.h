#pragma once

#include <optional>

#include "tools/controllers/controller_design.h"
#include "tools/swf_assembler/controller_tags.h"

namespace sonaflux::controllers {

/// Frame rate of every controller: one frame a second, the stream's own rate,
/// since the player advances a loaded stream at the controller's rate.
constexpr std::uint16_t kControllerFrameRate = 0x0100;

/// The complete controller SWF file for a design, or nothing when its
/// scripts do not assemble.
std::optional<swf::Bytes> buildController(const Design& design);

}  // namespace sonaflux::controllers
