#pragma once

#include "tools/controllers/controller_design.h"

namespace sonaflux::controllers {

/// Receives filled outlines in pixels. The movie turns them into shapes in
/// twips, the page twin into SVG paths, so both draw the same figures.
class Outline {
 public:
  virtual ~Outline() = default;
  virtual void moveTo(double x, double y) = 0;
  virtual void lineTo(double x, double y) = 0;
  /// A quadratic curve through the control point (cx, cy) to (x, y).
  virtual void curveTo(double cx, double cy, double x, double y) = 0;
};

void addRoundedRect(Outline& outline, Box box, int radius);
void addCircle(Outline& outline, Box box);
/// A button's face: a circle or a rectangle with rounded corners.
void addButtonFace(Outline& outline, ButtonShape shape, Box box);
/// Play triangle, pause bars and stop square, centred in box.
void addPlaySymbol(Outline& outline, Box box);
void addPauseSymbol(Outline& outline, Box box);
void addStopSymbol(Outline& outline, Box box);

}  // namespace sonaflux::controllers
