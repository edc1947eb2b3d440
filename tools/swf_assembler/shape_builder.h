#pragma once

#include <cstdint>
#include <vector>

#include "swf/movie_file.h"

namespace sonaflux::swf {

/// Collects filled outlines in absolute twips and encodes them as one
/// DefineShape tag. Each outline is started by moveTo with a fill and closed
/// by the caller; outlines of one shape should not overlap.
class ShapeBuilder {
 public:
  /// Adds a solid fill; returns its 1-based index.
  int addSolidFill(Rgb colour);
  /// Starts a new outline at (x, y) filled with fill (1-based; 0 = none).
  void moveTo(std::int32_t x, std::int32_t y, int fill);
  void lineTo(std::int32_t x, std::int32_t y);
  /// A quadratic curve through the control point (cx, cy) to (x, y).
  void curveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y);

  /// The bounds of every point given, control points included.
  Rect bounds() const;
  /// The whole DefineShape tag, header included.
  std::vector<std::uint8_t> defineShape(std::uint16_t shapeId) const;

 private:
  enum class Kind { Move, Line, Curve };
  struct Step {
    Kind kind;
    std::int32_t cx, cy, x, y;
    int fill;
  };
  std::vector<Rgb> m_fills;
  std::vector<Step> m_steps;
};

}  // namespace sonaflux::swf
