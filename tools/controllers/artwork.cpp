#include "tools/controllers/artwork.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sonaflux::controllers {
namespace {

// The symbols take this share of the smaller side of their box.
constexpr double kSymbolShare = 0.42;

void addRect(Outline& shape, double x0, double y0, double width, double height) {
  shape.moveTo(x0, y0);
  shape.lineTo(x0 + width, y0);
  shape.lineTo(x0 + width, y0 + height);
  shape.lineTo(x0, y0 + height);
  shape.lineTo(x0, y0);
}

}  // namespace

void addRoundedRect(Outline& shape, Box box, int radius) {
  const double r = std::min({static_cast<double>(radius), box.width / 2.0, box.height / 2.0});
  const double x0 = box.x, y0 = box.y, x1 = box.x + box.width, y1 = box.y + box.height;
  if (r <= 0) {
    addRect(shape, x0, y0, box.width, box.height);
    return;
  }
  // Each corner is one quadratic curve with its control point on the corner.
  shape.moveTo(x0 + r, y0);
  shape.lineTo(x1 - r, y0);
  shape.curveTo(x1, y0, x1, y0 + r);
  shape.lineTo(x1, y1 - r);
  shape.curveTo(x1, y1, x1 - r, y1);
  shape.lineTo(x0 + r, y1);
  shape.curveTo(x0, y1, x0, y1 - r);
  shape.lineTo(x0, y0 + r);
  shape.curveTo(x0, y0, x0 + r, y0);
}

void addCircle(Outline& shape, Box box) {
  // Eight quadratic arcs; the control points lie at r / cos(22.5 degrees).
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  const double r = std::min(box.width, box.height) / 2.0;
  const double step = std::numbers::pi / 4.0;
  const double controlRadius = r / std::cos(step / 2.0);
  shape.moveTo(cx + r, cy);
  for (int i = 0; i < 8; ++i) {
    const double mid = step * (i + 0.5), end = step * (i + 1);
    shape.curveTo(cx + controlRadius * std::cos(mid), cy + controlRadius * std::sin(mid), cx + r * std::cos(end),
                  cy + r * std::sin(end));
  }
}

void addButtonFace(Outline& shape, ButtonShape kind, Box box) {
  if (kind == ButtonShape::Round)
    addCircle(shape, box);
  else
    addRoundedRect(shape, box, std::min(box.width, box.height) / 4);
}

void addPlaySymbol(Outline& shape, Box box) {
  const double s = std::min(box.width, box.height) * kSymbolShare * 1.15;
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  // Shifted right a little so that the triangle looks centred.
  const double left = cx - s * 0.38, right = cx + s * 0.55;
  shape.moveTo(left, cy - s / 2);
  shape.lineTo(right, cy);
  shape.lineTo(left, cy + s / 2);
  shape.lineTo(left, cy - s / 2);
}

void addPauseSymbol(Outline& shape, Box box) {
  const double s = std::min(box.width, box.height) * kSymbolShare;
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  const double barWidth = s * 0.34, gap = s * 0.3;
  for (double x0 : {cx - gap / 2 - barWidth, cx + gap / 2}) addRect(shape, x0, cy - s / 2, barWidth, s);
}

void addStopSymbol(Outline& shape, Box box) {
  const double s = std::min(box.width, box.height) * kSymbolShare * 0.9;
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  addRect(shape, cx - s / 2, cy - s / 2, s, s);
}

}  // namespace sonaflux::controllers
