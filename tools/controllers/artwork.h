#pragma once

#include <cstdint>

#include "tools/controllers/controller_design.h"
#include "tools/swf_assembler/shape_builder.h"

namespace sonaflux::controllers {

/// Outlines in pixels, drawn into a shape in twips.
void addRoundedRect(swf::ShapeBuilder& shape, int fill, Box box, int radius);
void addCircle(swf::ShapeBuilder& shape, int fill, Box box);
/// Play triangle, pause bars and stop square, centred in box.
void addPlaySymbol(swf::ShapeBuilder& shape, int fill, Box box);
void addPauseSymbol(swf::ShapeBuilder& shape, int fill, Box box);
void addStopSymbol(swf::ShapeBuilder& shape, int fill, Box box);

}  // namespace sonaflux::controllers
