#pragma once

#include <optional>
#include <vector>

#include "tools/swf_assembler/controller_tags.h"

namespace sonaflux::controllers {

/// Instance names of the two bar clips the scripts scale.
inline constexpr const char* kLoadedBarName = "snxLoaded";
inline constexpr const char* kPlayedBarName = "snxPlayed";

/// The byte code of a controller. The stream lives in level 1; its address is
/// the controller's own address with the letter before ".swf" replaced by "s",
/// and that letter is the instruction (c, d, e, f; anything else acts as c).
struct ControllerScripts {
  swf::Bytes init;    // once, on the first frame
  swf::Bytes update;  // every frame: initial stop, play-once end, bars
  swf::Bytes play, pause, stop;
};

/// Nothing only when the scripts do not assemble (a label mistake).
std::optional<ControllerScripts> buildControllerScripts();

}  // namespace sonaflux::controllers
