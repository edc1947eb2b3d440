#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sonaflux::artwork {

/// A colour with straight (not premultiplied) alpha, every channel 0 to 1.
struct Rgba {
  double r = 0, g = 0, b = 0, a = 1;
};

Rgba rgb(int red, int green, int blue, double alpha = 1.0);
Rgba mix(const Rgba& from, const Rgba& to, double t);
Rgba withAlpha(Rgba colour, double alpha);

/// Whether a point (in pixels, pixel centres at .5) lies inside a shape.
using Shape = std::function<bool(double x, double y)>;
/// The colour a paint gives at a point.
using Paint = std::function<Rgba(double x, double y)>;

class Image {
 public:
  Image(int width, int height, Rgba fill = {0, 0, 0, 0});

  int width() const { return m_width; }
  int height() const { return m_height; }
  const Rgba& at(int x, int y) const { return m_pixels[static_cast<std::size_t>(y * m_width + x)]; }
  Rgba& at(int x, int y) { return m_pixels[static_cast<std::size_t>(y * m_width + x)]; }

  /// Paints over every pixel the shape covers, weighted by the share of
  /// samples × samples points inside it.
  void fill(const Shape& shape, const Paint& paint, int samples = 4);
  void fill(const Shape& shape, const Rgba& colour, int samples = 4);
  /// Source-over of one colour onto one pixel with an extra coverage weight.
  void blend(int x, int y, const Rgba& colour, double coverage);

 private:
  int m_width;
  int m_height;
  std::vector<Rgba> m_pixels;
};

/// 8-bit channels, row by row: 3 bytes a pixel (alpha dropped) or 4.
std::vector<std::uint8_t> toBytes(const Image& image, int channels);

/// Pixels at least half covered take the colour over matte (so their edge
/// blends into the dark window behind them); the rest become key exactly.
/// No pixel is left between the two, so a colour-key mask stays clean.
void flattenOnKey(Image& image, const Rgba& matte, const Rgba& key);

/// Every pixel to pure black or pure white by the luminance of its colour
/// over black.
void thresholdToMono(Image& image, double level = 0.5);

// Shapes.
Shape roundedRect(double x0, double y0, double x1, double y1, double radius);
Shape circle(double cx, double cy, double radius);
Shape ellipse(double cx, double cy, double rx, double ry);
/// A line from a to b with round caps, radius half its thickness.
Shape capsule(double ax, double ay, double bx, double by, double radius);
Shape polygon(std::vector<std::pair<double, double>> points);
Shape unite(std::vector<Shape> shapes);
Shape intersect(Shape a, Shape b);
Shape subtract(Shape a, Shape b);

// Paints.
Paint verticalGradient(double y0, const Rgba& top, double y1, const Rgba& bottom);
Paint radialGradient(double cx, double cy, double radius, const Rgba& inner, const Rgba& outer);

/// Relative luminance of a colour (sRGB), 0 black to 1 white.
double relativeLuminance(const Rgba& colour);

}  // namespace sonaflux::artwork
