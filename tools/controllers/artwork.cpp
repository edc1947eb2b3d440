#include "tools/controllers/artwork.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sonaflux::controllers {
namespace {

using swf::kTwipsPerPixel;

std::int32_t tw(double pixels) { return static_cast<std::int32_t>(std::lround(pixels * kTwipsPerPixel)); }

// The symbols take this share of the smaller side of their box.
constexpr double kSymbolShare = 0.42;

void addRect(swf::ShapeBuilder& shape, int fill, double x0, double y0, double width, double height) {
  shape.moveTo(tw(x0), tw(y0), fill);
  shape.lineTo(tw(x0 + width), tw(y0));
  shape.lineTo(tw(x0 + width), tw(y0 + height));
  shape.lineTo(tw(x0), tw(y0 + height));
  shape.lineTo(tw(x0), tw(y0));
}

}  // namespace

void addRoundedRect(swf::ShapeBuilder& shape, int fill, Box box, int radius) {
  const double r = std::min({static_cast<double>(radius), box.width / 2.0, box.height / 2.0});
  const double x0 = box.x, y0 = box.y, x1 = box.x + box.width, y1 = box.y + box.height;
  if (r <= 0) {
    addRect(shape, fill, x0, y0, box.width, box.height);
    return;
  }
  // Each corner is one quadratic curve with its control point on the corner.
  shape.moveTo(tw(x0 + r), tw(y0), fill);
  shape.lineTo(tw(x1 - r), tw(y0));
  shape.curveTo(tw(x1), tw(y0), tw(x1), tw(y0 + r));
  shape.lineTo(tw(x1), tw(y1 - r));
  shape.curveTo(tw(x1), tw(y1), tw(x1 - r), tw(y1));
  shape.lineTo(tw(x0 + r), tw(y1));
  shape.curveTo(tw(x0), tw(y1), tw(x0), tw(y1 - r));
  shape.lineTo(tw(x0), tw(y0 + r));
  shape.curveTo(tw(x0), tw(y0), tw(x0 + r), tw(y0));
}

void addCircle(swf::ShapeBuilder& shape, int fill, Box box) {
  // Eight quadratic arcs; the control points lie at r / cos(22.5 degrees).
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  const double r = std::min(box.width, box.height) / 2.0;
  const double step = std::numbers::pi / 4.0;
  const double controlRadius = r / std::cos(step / 2.0);
  shape.moveTo(tw(cx + r), tw(cy), fill);
  for (int i = 0; i < 8; ++i) {
    const double mid = step * (i + 0.5), end = step * (i + 1);
    shape.curveTo(tw(cx + controlRadius * std::cos(mid)), tw(cy + controlRadius * std::sin(mid)),
                  tw(cx + r * std::cos(end)), tw(cy + r * std::sin(end)));
  }
}

void addPlaySymbol(swf::ShapeBuilder& shape, int fill, Box box) {
  const double s = std::min(box.width, box.height) * kSymbolShare * 1.15;
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  // Shifted right a little so that the triangle looks centred.
  const double left = cx - s * 0.38, right = cx + s * 0.55;
  shape.moveTo(tw(left), tw(cy - s / 2), fill);
  shape.lineTo(tw(right), tw(cy));
  shape.lineTo(tw(left), tw(cy + s / 2));
  shape.lineTo(tw(left), tw(cy - s / 2));
}

void addPauseSymbol(swf::ShapeBuilder& shape, int fill, Box box) {
  const double s = std::min(box.width, box.height) * kSymbolShare;
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  const double barWidth = s * 0.34, gap = s * 0.3;
  for (double x0 : {cx - gap / 2 - barWidth, cx + gap / 2}) addRect(shape, fill, x0, cy - s / 2, barWidth, s);
}

void addStopSymbol(swf::ShapeBuilder& shape, int fill, Box box) {
  const double s = std::min(box.width, box.height) * kSymbolShare * 0.9;
  const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
  addRect(shape, fill, cx - s / 2, cy - s / 2, s, s);
}

}  // namespace sonaflux::controllers
