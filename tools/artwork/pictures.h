#pragma once

#include <string>

#include "tools/artwork/raster.h"
#include "tools/artwork/text.h"

namespace sonaflux::artwork {

/// The colour the windows treat as transparent in button pictures.
inline const Rgba kKeyColour = rgb(255, 0, 255);

/// Square program icon with transparency.
Image makeIcon(int size);
/// 450×350 main window background; dark wherever the window writes white text.
Image makeBackground();
/// 300×75 title in pure white on pure black.
Image makeTitle(const Font& font);

enum class ButtonColour { Blue, Teal, Violet, Green, Red };
/// 75×25 labelled button on the key colour.
Image makeButton(const Font& font, const std::string& label, ButtonColour colour);

enum class SmallButtonKind { Minimise, Close };
/// 18×18 round button on the key colour.
Image makeSmallButton(SmallButtonKind kind);

/// 32×32 pointing hand with transparency. Its hotspot, the tip of the
/// index finger, is (kHandHotspotX, kHandHotspotY).
Image makeHandCursor();
constexpr int kHandHotspotX = 9;
constexpr int kHandHotspotY = 1;

/// 32×32 light bulb with transparency.
Image makeTipIcon();

}  // namespace sonaflux::artwork
