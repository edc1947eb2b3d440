#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// What the standards page shows and how its sound behaves.
struct EveryBrowserPageFields {
  std::string title;             // as held: UTF-8, or Latin-1 bytes from old tags
  std::string backgroundColour;  // RRGGBB as stored; anything else is made harmless
  std::string textColour;
  std::string soundFile;  // "snx12.mp3", beside the page
  bool autoplay = true;
  bool loop = true;
};

/// Controller output: the controller's twin, written as it stands in place of
/// the browser's controls, at the controller's size, told the instruction.
/// An empty twin leaves the browser's controls.
struct ControllerTwinSlot {
  std::string twin;
  int width = 0;
  int height = 0;
  std::string instruction;
};

/// A UTF-8 standards page whose <audio> element plays the sound file. A short
/// script feeds the file to the element piece by piece as it arrives, so that
/// sound starts after the first frames over a slow line; where the browser
/// cannot, the element gets the file's address. Every line ends in CR LF.
std::string buildEveryBrowserPage(const EveryBrowserPageFields& fields, const ControllerTwinSlot& slot = {});

/// The fields for the current job: bare output plays at once, looping or
/// once; a controller's instruction decides start and loop as it would
/// tell the controller (c stopped and looping, d stopped once, e playing
/// and looping, f playing once; other letters act as c).
EveryBrowserPageFields everyBrowserPageFields(const AppContext& ctx);

/// The chosen controller's twin for the current job (controller output
/// only); a twin too large to take shows its message here.
ControllerTwinSlot controllerTwinSlot(AppContext& ctx);

/// Text made safe for HTML content and attribute values, in UTF-8.
std::string escapeHtml(const std::string& text);

}  // namespace sonaflux
