#include "tools/swf_assembler/shape_builder.h"

#include <gtest/gtest.h>

#include "tests/support/test_bits.h"

namespace sonaflux::swf {
namespace {

using test::bitsToBytes;
using test::concat;
using Bytes = std::vector<std::uint8_t>;

TEST(ShapeBuilder, EncodesASquareWithOneSolidFill) {
  ShapeBuilder shape;
  const int red = shape.addSolidFill({0xFF, 0x00, 0x00});
  shape.moveTo(0, 0, red);
  shape.lineTo(20, 0);
  shape.lineTo(20, 20);
  shape.lineTo(0, 20);
  shape.lineTo(0, 0);

  const Bytes expected = concat({
      {0x97, 0x00},  // DefineShape (2), 23 bytes
      {0x07, 0x00},  // shape id
      bitsToBytes("00110 000000 010100 000000 010100"),  // bounds 0..20 both ways
      {0x01, 0x00, 0xFF, 0x00, 0x00},                     // one solid fill, red
      {0x00},                                             // no line styles
      bitsToBytes(
          "0001 0000"                  // one fill bit, no line bits
          "0 0 0 1 0 1 00000 1"        // style change: fill 1 on the right, move to 0,0
          "1 1 0100 0 0 010100"        // straight, 6 bits, horizontal +20
          "1 1 0100 0 1 010100"        // vertical +20
          "1 1 0100 0 0 101100"        // horizontal -20
          "1 1 0100 0 1 101100"        // vertical -20
          "000000"),                   // end of shape
  });
  EXPECT_EQ(shape.defineShape(7), expected);
}

TEST(ShapeBuilder, EncodesGeneralLinesAndCurves) {
  ShapeBuilder shape;
  const int fill = shape.addSolidFill({1, 2, 3});
  shape.moveTo(40, 0, fill);
  shape.lineTo(60, -20);             // general line +20, -20
  shape.curveTo(60, 20, 40, 0);      // control +0,+40 then anchor -20,-20
  const Bytes body = shape.defineShape(1);
  const Bytes records = bitsToBytes(
      "0001 0000"
      "0 0 0 1 0 1 00111 0101000 0000000 1"  // move to 40,0 in 7 bits, fill 1
      "1 1 0100 1 010100 101100"             // general line in 6 bits
      "1 0 0101 0000000 0101000 1101100 1101100"  // curve in 7 bits
      "000000");
  ASSERT_GE(body.size(), records.size());
  EXPECT_EQ(Bytes(body.end() - static_cast<std::ptrdiff_t>(records.size()), body.end()), records);
}

TEST(ShapeBuilder, BoundsIncludeCurveControlPoints) {
  ShapeBuilder shape;
  const int fill = shape.addSolidFill({});
  shape.moveTo(0, 0, fill);
  shape.curveTo(100, -50, 200, 0);
  shape.lineTo(0, 0);
  const Rect r = shape.bounds();
  EXPECT_EQ(r.xMin, 0);
  EXPECT_EQ(r.xMax, 200);
  EXPECT_EQ(r.yMin, -50);
  EXPECT_EQ(r.yMax, 0);
}

TEST(ShapeBuilder, ChangesFillOnlyWhenANewOutlineUsesAnother) {
  ShapeBuilder shape;
  const int a = shape.addSolidFill({});
  const int b = shape.addSolidFill({});
  shape.moveTo(0, 0, a);
  shape.lineTo(20, 0);
  shape.moveTo(0, 0, a);  // same fill: no fill field
  shape.lineTo(20, 0);
  shape.moveTo(0, 0, b);
  shape.lineTo(20, 0);
  const Bytes body = shape.defineShape(1);
  const Bytes records = bitsToBytes(
      "0010 0000"                    // two fills need two bits
      "000101 00000 01"              // fill 1
      "11 0100 0 0 010100"
      "000001 00000"                 // move only
      "11 0100 0 0 010100"
      "000101 00000 10"              // fill 2
      "11 0100 0 0 010100"
      "000000");
  EXPECT_EQ(Bytes(body.end() - static_cast<std::ptrdiff_t>(records.size()), body.end()), records);
}

}  // namespace
}  // namespace sonaflux::swf
