#include "swf/records.h"

#include <algorithm>
#include <cmath>

#include "swf/bit_writer.h"

namespace sonaflux::swf {
namespace {

constexpr int kRectBitsField = 5;
constexpr int kMatrixBitsField = 5;

std::int32_t toFixed16(double value) { return static_cast<std::int32_t>(std::lround(value * 65536.0)); }

int bitsForAll(std::initializer_list<std::int32_t> values) {
  int bits = 0;
  for (std::int32_t v : values) bits = std::max(bits, signedBitsFor(v));
  return bits;
}

}  // namespace

void appendRect(std::vector<std::uint8_t>& out, const Rect& rect) {
  const int bits = bitsForAll({rect.xMin, rect.xMax, rect.yMin, rect.yMax});
  BitWriter writer;
  writer.writeUnsigned(static_cast<std::uint32_t>(bits), kRectBitsField);
  for (std::int32_t v : {rect.xMin, rect.xMax, rect.yMin, rect.yMax}) writer.writeSigned(v, bits);
  writer.finishInto(out);
}

void appendMatrix(std::vector<std::uint8_t>& out, const Matrix& matrix) {
  BitWriter writer;
  const bool hasScale = matrix.scaleX != 1.0 || matrix.scaleY != 1.0;
  writer.writeFlag(hasScale);
  if (hasScale) {
    const std::int32_t sx = toFixed16(matrix.scaleX), sy = toFixed16(matrix.scaleY);
    const int bits = bitsForAll({sx, sy});
    writer.writeUnsigned(static_cast<std::uint32_t>(bits), kMatrixBitsField);
    writer.writeSigned(sx, bits);
    writer.writeSigned(sy, bits);
  }
  const bool hasRotate = matrix.rotateSkew0 != 0.0 || matrix.rotateSkew1 != 0.0;
  writer.writeFlag(hasRotate);
  if (hasRotate) {
    const std::int32_t r0 = toFixed16(matrix.rotateSkew0), r1 = toFixed16(matrix.rotateSkew1);
    const int bits = bitsForAll({r0, r1});
    writer.writeUnsigned(static_cast<std::uint32_t>(bits), kMatrixBitsField);
    writer.writeSigned(r0, bits);
    writer.writeSigned(r1, bits);
  }
  const int bits = bitsForAll({matrix.translateX, matrix.translateY});
  writer.writeUnsigned(static_cast<std::uint32_t>(bits), kMatrixBitsField);
  writer.writeSigned(matrix.translateX, bits);
  writer.writeSigned(matrix.translateY, bits);
  writer.finishInto(out);
}

void appendRgb(std::vector<std::uint8_t>& out, Rgb colour) {
  out.push_back(colour.r);
  out.push_back(colour.g);
  out.push_back(colour.b);
}

void appendIdentityColourTransform(std::vector<std::uint8_t>& out) {
  // HasAddTerms 0, HasMultTerms 0, Nbits 1, then padding.
  BitWriter writer;
  writer.writeFlag(false);
  writer.writeFlag(false);
  writer.writeUnsigned(1, 4);
  writer.finishInto(out);
}

void appendString(std::vector<std::uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

}  // namespace sonaflux::swf
