#include "tools/artwork/raster.h"

#include <algorithm>
#include <cmath>

namespace sonaflux::artwork {

Rgba rgb(int red, int green, int blue, double alpha) {
  return {red / 255.0, green / 255.0, blue / 255.0, alpha};
}

Rgba mix(const Rgba& from, const Rgba& to, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
          from.a + (to.a - from.a) * t};
}

Rgba withAlpha(Rgba colour, double alpha) {
  colour.a = alpha;
  return colour;
}

Image::Image(int width, int height, Rgba fill)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width * height), fill) {}

void Image::blend(int x, int y, const Rgba& colour, double coverage) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  const double a = std::clamp(colour.a * coverage, 0.0, 1.0);
  if (a <= 0) return;
  Rgba& d = at(x, y);
  const double outA = a + d.a * (1 - a);
  if (outA <= 0) return;
  d.r = (colour.r * a + d.r * d.a * (1 - a)) / outA;
  d.g = (colour.g * a + d.g * d.a * (1 - a)) / outA;
  d.b = (colour.b * a + d.b * d.a * (1 - a)) / outA;
  d.a = outA;
}

void Image::fill(const Shape& shape, const Paint& paint, int samples) {
  const double step = 1.0 / samples;
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      int inside = 0;
      for (int sy = 0; sy < samples; ++sy)
        for (int sx = 0; sx < samples; ++sx)
          if (shape(x + (sx + 0.5) * step, y + (sy + 0.5) * step)) ++inside;
      if (inside == 0) continue;
      blend(x, y, paint(x + 0.5, y + 0.5), static_cast<double>(inside) / (samples * samples));
    }
  }
}

void Image::fill(const Shape& shape, const Rgba& colour, int samples) {
  fill(shape, [colour](double, double) { return colour; }, samples);
}

std::vector<std::uint8_t> toBytes(const Image& image, int channels) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(image.width() * image.height() * channels));
  auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const Rgba& p = image.at(x, y);
      bytes.push_back(byte(p.r));
      bytes.push_back(byte(p.g));
      bytes.push_back(byte(p.b));
      if (channels == 4) bytes.push_back(byte(p.a));
    }
  }
  return bytes;
}

void flattenOnKey(Image& image, const Rgba& matte, const Rgba& key) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      Rgba& p = image.at(x, y);
      if (p.a < 0.5) {
        p = key;
      } else {
        p = mix(matte, withAlpha(p, 1), p.a);
        p.a = 1;
      }
    }
  }
}

void thresholdToMono(Image& image, double level) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      Rgba& p = image.at(x, y);
      const double light = (0.299 * p.r + 0.587 * p.g + 0.114 * p.b) * p.a;
      p = light >= level ? Rgba{1, 1, 1, 1} : Rgba{0, 0, 0, 1};
    }
  }
}

Shape roundedRect(double x0, double y0, double x1, double y1, double radius) {
  return [=](double x, double y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const double cx = std::clamp(x, x0 + radius, x1 - radius);
    const double cy = std::clamp(y, y0 + radius, y1 - radius);
    const double dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
  };
}

Shape circle(double cx, double cy, double radius) { return ellipse(cx, cy, radius, radius); }

Shape ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) {
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1;
  };
}

Shape capsule(double ax, double ay, double bx, double by, double radius) {
  return [=](double x, double y) {
    const double vx = bx - ax, vy = by - ay;
    const double length2 = vx * vx + vy * vy;
    const double t = length2 > 0 ? std::clamp(((x - ax) * vx + (y - ay) * vy) / length2, 0.0, 1.0) : 0.0;
    const double dx = x - (ax + t * vx), dy = y - (ay + t * vy);
    return dx * dx + dy * dy <= radius * radius;
  };
}

Shape polygon(std::vector<std::pair<double, double>> points) {
  return [points = std::move(points)](double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const auto [xi, yi] = points[i];
      const auto [xj, yj] = points[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
  };
}

Shape unite(std::vector<Shape> shapes) {
  return [shapes = std::move(shapes)](double x, double y) {
    return std::any_of(shapes.begin(), shapes.end(), [&](const Shape& s) { return s(x, y); });
  };
}

Shape intersect(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && b(x, y); };
}

Shape subtract(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && !b(x, y); };
}

Paint verticalGradient(double y0, const Rgba& top, double y1, const Rgba& bottom) {
  return [=](double, double y) { return mix(top, bottom, (y - y0) / (y1 - y0)); };
}

Paint radialGradient(double cx, double cy, double radius, const Rgba& inner, const Rgba& outer) {
  return [=](double x, double y) { return mix(inner, outer, std::hypot(x - cx, y - cy) / radius); };
}

double relativeLuminance(const Rgba& colour) {
  auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b);
}

}  // namespace sonaflux::artwork
