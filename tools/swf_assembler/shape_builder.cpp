#include "tools/swf_assembler/shape_builder.h"

#include <algorithm>
#include <cassert>
#include <limits>

#include "core/byte_order.h"
#include "swf/bit_writer.h"

namespace sonaflux::swf {
namespace {

constexpr std::uint8_t kSolidFill = 0x00;
constexpr int kMinEdgeBits = 2;  // edge records store their bit count minus two
constexpr int kEdgeBitsField = 4;
constexpr int kMoveBitsField = 5;

int edgeBits(std::initializer_list<std::int32_t> deltas) {
  int bits = kMinEdgeBits;
  for (std::int32_t d : deltas) bits = std::max(bits, signedBitsFor(d));
  return bits;
}

}  // namespace

int ShapeBuilder::addSolidFill(Rgb colour) {
  m_fills.push_back(colour);
  return static_cast<int>(m_fills.size());
}

void ShapeBuilder::moveTo(std::int32_t x, std::int32_t y, int fill) {
  assert(fill >= 0 && fill <= static_cast<int>(m_fills.size()));
  m_steps.push_back({Kind::Move, 0, 0, x, y, fill});
}

void ShapeBuilder::lineTo(std::int32_t x, std::int32_t y) {
  assert(!m_steps.empty());
  m_steps.push_back({Kind::Line, 0, 0, x, y, 0});
}

void ShapeBuilder::curveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y) {
  assert(!m_steps.empty());
  m_steps.push_back({Kind::Curve, cx, cy, x, y, 0});
}

Rect ShapeBuilder::bounds() const {
  if (m_steps.empty()) return {};
  Rect r{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
         std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()};
  auto take = [&r](std::int32_t x, std::int32_t y) {
    r.xMin = std::min(r.xMin, x);
    r.xMax = std::max(r.xMax, x);
    r.yMin = std::min(r.yMin, y);
    r.yMax = std::max(r.yMax, y);
  };
  for (const Step& s : m_steps) {
    take(s.x, s.y);
    if (s.kind == Kind::Curve) take(s.cx, s.cy);
  }
  return r;
}

std::vector<std::uint8_t> ShapeBuilder::defineShape(std::uint16_t shapeId) const {
  std::vector<std::uint8_t> body;
  appendU16(body, shapeId);
  appendRect(body, bounds());
  assert(m_fills.size() < 0xFF);
  body.push_back(static_cast<std::uint8_t>(m_fills.size()));
  for (Rgb colour : m_fills) {
    body.push_back(kSolidFill);
    appendRgb(body, colour);
  }
  body.push_back(0);  // no line styles

  const int fillBits = unsignedBitsFor(static_cast<std::uint32_t>(m_fills.size()));
  BitWriter w;
  w.writeUnsigned(static_cast<std::uint32_t>(fillBits), 4);
  w.writeUnsigned(0, 4);  // line style bits

  std::int32_t penX = 0, penY = 0;
  int currentFill = 0;
  for (const Step& s : m_steps) {
    switch (s.kind) {
      case Kind::Move: {
        // Style change: TypeFlag 0, NewStyles 0, LineStyle 0, FillStyle1, FillStyle0, MoveTo.
        const bool fillChanges = s.fill != currentFill;
        w.writeUnsigned(0, 1);
        w.writeFlag(false);
        w.writeFlag(false);
        w.writeFlag(fillChanges);
        w.writeFlag(false);
        w.writeFlag(true);
        const int bits = std::max(signedBitsFor(s.x), signedBitsFor(s.y));
        w.writeUnsigned(static_cast<std::uint32_t>(bits), kMoveBitsField);
        w.writeSigned(s.x, bits);
        w.writeSigned(s.y, bits);
        if (fillChanges) w.writeUnsigned(static_cast<std::uint32_t>(s.fill), fillBits);
        currentFill = s.fill;
        break;
      }
      case Kind::Line: {
        const std::int32_t dx = s.x - penX, dy = s.y - penY;
        const int bits = edgeBits({dx, dy});
        w.writeUnsigned(1, 1);  // edge
        w.writeUnsigned(1, 1);  // straight
        w.writeUnsigned(static_cast<std::uint32_t>(bits - kMinEdgeBits), kEdgeBitsField);
        if (dx != 0 && dy != 0) {
          w.writeFlag(true);  // general line
          w.writeSigned(dx, bits);
          w.writeSigned(dy, bits);
        } else {
          w.writeFlag(false);
          w.writeFlag(dx == 0);  // vertical
          w.writeSigned(dx == 0 ? dy : dx, bits);
        }
        break;
      }
      case Kind::Curve: {
        const std::int32_t cdx = s.cx - penX, cdy = s.cy - penY;
        const std::int32_t adx = s.x - s.cx, ady = s.y - s.cy;
        const int bits = edgeBits({cdx, cdy, adx, ady});
        w.writeUnsigned(1, 1);  // edge
        w.writeUnsigned(0, 1);  // curved
        w.writeUnsigned(static_cast<std::uint32_t>(bits - kMinEdgeBits), kEdgeBitsField);
        w.writeSigned(cdx, bits);
        w.writeSigned(cdy, bits);
        w.writeSigned(adx, bits);
        w.writeSigned(ady, bits);
        break;
      }
    }
    penX = s.x;
    penY = s.y;
  }
  w.writeUnsigned(0, 6);  // end of shape
  w.finishInto(body);

  std::vector<std::uint8_t> tag;
  appendTag(tag, TagCode::DefineShape, body);
  return tag;
}

}  // namespace sonaflux::swf
