#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace sonaflux::swf {

/// Lengths of 20 twips to the pixel are the unit of every coordinate here.
constexpr std::int32_t kTwipsPerPixel = 20;

struct Rect {
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

/// Scale and rotate terms are 16.16 fixed point; translation is in twips.
struct Matrix {
  double scaleX = 1.0, scaleY = 1.0;
  double rotateSkew0 = 0.0, rotateSkew1 = 0.0;
  std::int32_t translateX = 0, translateY = 0;

  static Matrix translation(std::int32_t x, std::int32_t y) {
    Matrix m;
    m.translateX = x;
    m.translateY = y;
    return m;
  }
};

void appendRect(std::vector<std::uint8_t>& out, const Rect& rect);
void appendMatrix(std::vector<std::uint8_t>& out, const Matrix& matrix);
void appendRgb(std::vector<std::uint8_t>& out, Rgb colour);
/// A colour transform with alpha that changes nothing.
void appendIdentityColourTransform(std::vector<std::uint8_t>& out);
/// A null-terminated string.
void appendString(std::vector<std::uint8_t>& out, std::string_view text);

}  // namespace sonaflux::swf
