// The SWF writing library and the build-time assembler on top of it, bit by bit.
#include <gtest/gtest.h>
#include <functional>
#include <tuple>

#include "swf/bit_writer.h"
#include "swf/movie_file.h"
#include "swf/records.h"
#include "tests/support/temp_folder.h"
#include "tools/swf_assembler/action_assembler.h"
#include "tools/swf_assembler/controller_tags.h"
#include "tools/swf_assembler/shape_builder.h"

namespace sonaflux::swf {
namespace {

using A = ActionAssembler;
using sonaflux::test::concat;

// Bytes from '0's and '1's (anything else ignored), most significant bit first,
// the last byte padded with zeros: a bit-packed record written field by field.
Bytes bitsToBytes(std::string_view bits) {
  Bytes out;
  int used = 0;
  for (char c : bits) {
    if (c != '0' && c != '1') continue;
    if (used == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<std::uint8_t>(0x80 >> used);
    used = (used + 1) % 8;
  }
  return out;
}

TEST(BitWriter, CountsBitsAndPacksFieldsAcrossByteBoundaries) {
  for (auto [value, bits] :
       {std::pair{0, 0}, {1, 2}, {-1, 1}, {63, 7}, {64, 8}, {-64, 7}, {-65, 8}, {3000, 13}, {-3000, 13}})
    EXPECT_EQ(signedBitsFor(value), bits) << value;
  for (auto [value, bits] : {std::pair{0u, 0}, {1u, 1}, {255u, 8}, {256u, 9}})
    EXPECT_EQ(unsignedBitsFor(value), bits) << value;
  BitWriter w;
  w.writeUnsigned(0b101, 3);
  w.writeSigned(-2, 7);  // 1111110
  w.writeFlag(true);
  EXPECT_EQ(w.finish(), bitsToBytes("101 1111110 1"));
}

TEST(SwfTags, HeaderTakesTheShortFormOnlyWhenTheBodyFits) {
  const std::tuple<TagCode, std::size_t, bool, Bytes> rows[] = {
      {TagCode::SetBackgroundColor, 3, false, {0x43, 0x02}},
      // 19 << 6 | 62 = 0x04FE: 62 is the longest body the six length bits can hold.
      {TagCode::SoundStreamBlock, 62, false, {0xFE, 0x04}},
      // 63 no longer fits beside the 0x3F escape.
      {TagCode::SoundStreamBlock, 63, false, {0xFF, 0x04, 0x3F, 0x00, 0x00, 0x00}},
      {TagCode::SoundStreamBlock, 0, true, {0xFF, 0x04, 0x00, 0x00, 0x00, 0x00}},
      {TagCode::DefineSprite, 300, false, {0xFF, 0x09, 0x2C, 0x01, 0x00, 0x00}},
      // 18 << 6 | 0x3F = 0x04BF; 70000 = 0x00011170
      {TagCode::SoundStreamHead, 70000, false, {0xBF, 0x04, 0x70, 0x11, 0x01, 0x00}},
      {TagCode::ShowFrame, 0, true, {0x7F, 0x00, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& [code, size, forceLong, header] : rows) {
    const Bytes body(size, 0xAB);
    EXPECT_EQ(tag(code, body, forceLong), concat({header, body})) << static_cast<int>(code) << " " << size;
  }
}

TEST(SwfRecords, WriteRectanglesAndMatricesWithTheFewestBits) {
  auto rect = [](Rect r) { return [r](Bytes& out) { appendRect(out, r); }; };
  auto matrix = [](Matrix m) { return [m](Bytes& out) { appendMatrix(out, m); }; };
  const std::tuple<const char*, std::function<void(Bytes&)>, Bytes> rows[] = {
      {"empty rectangle", rect({0, 0, 0, 0}), bitsToBytes("00000")},
      // 150 x 40 pixels: 3000 twips needs 13 signed bits.
      {"150 x 40", rect({0, 3000, 0, 800}),
       bitsToBytes("01101 0000000000000 0101110111000 0000000000000 0001100100000")},
      {"negative", rect({-20, 20, -1, 1}), bitsToBytes("00110 101100 010100 111111 000001")},
      {"identity", matrix({}), bitsToBytes("0 0 00000")},
      {"translation", matrix(Matrix::translation(100, -40)), bitsToBytes("0 0 01000 01100100 11011000")},
      // 16.16 fixed point: 0.5 = 0x8000 and 2.0 = 0x20000 need 19 signed bits.
      {"scale", matrix({.scaleX = 0.5, .scaleY = 2.0}),
       bitsToBytes("1 10011 0001000000000000000 0100000000000000000 0 00000")},
      {"rotate", matrix({.rotateSkew0 = 1.0, .rotateSkew1 = -1.0}),
       bitsToBytes("0 1 10010 010000000000000000 110000000000000000 00000")},
      {"colour, string, identity colour transform",
       [](Bytes& out) {
         appendRgb(out, {0x12, 0x34, 0x56});
         appendString(out, "ab");
         appendIdentityColourTransform(out);
       },
       Bytes{0x12, 0x34, 0x56, 'a', 'b', 0x00, 0b0000'0100}},
  };
  for (const auto& [name, write, expected] : rows) {
    Bytes out;
    write(out);
    EXPECT_EQ(out, expected) << name;
  }
}

// Each program ends in the 0x00 end marker; nullopt: the assembler refuses it.
TEST(ActionAssembler, EncodesActionsAndResolvesBranches) {
  const std::tuple<const char*, std::function<void(A&)>, std::optional<Bytes>> rows[] = {
      {"string", [](A& a) { a.push(std::string("ab")); }, Bytes{0x96, 0x04, 0x00, 0x00, 'a', 'b', 0x00, 0x00}},
      {"empty string", [](A& a) { a.push(std::string("")); }, Bytes{0x96, 0x02, 0x00, 0x00, 0x00, 0x00}},
      {"integer", [](A& a) { a.push(5.0); }, Bytes{0x96, 0x05, 0x00, 0x07, 0x05, 0x00, 0x00, 0x00, 0x00}},
      {"negative integer", [](A& a) { a.push(-1.0); }, Bytes{0x96, 0x05, 0x00, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
      // 0.5 is 0x3FE0000000000000: the high word comes first, each word low byte first.
      {"fraction", [](A& a) { a.push(0.5); },
       Bytes{0x96, 0x09, 0x00, 0x06, 0x00, 0x00, 0xE0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {"register", [](A& a) { a.push(Register{2}); }, Bytes{0x96, 0x02, 0x00, 0x04, 0x02, 0x00}},
      {"boolean", [](A& a) { a.push(true); }, Bytes{0x96, 0x02, 0x00, 0x05, 0x01, 0x00}},
      {"two values in one record", [](A& a) { a.push({std::string("x"), 1.0}); },
       Bytes{0x96, 0x08, 0x00, 0x00, 'x', 0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x00}},
      {"setTarget", [](A& a) { a.setTarget("_level1"); },
       Bytes{0x8B, 0x08, 0x00, '_', 'l', 'e', 'v', 'e', 'l', '1', 0x00, 0x00}},
      {"gotoFrame", [](A& a) { a.gotoFrame(3); }, Bytes{0x81, 0x02, 0x00, 0x03, 0x00, 0x00}},
      {"gotoFrame2 and play", [](A& a) { a.gotoFrame2(true); }, Bytes{0x9F, 0x01, 0x00, 0x01, 0x00}},
      {"gotoFrame2 and stop", [](A& a) { a.gotoFrame2(false); }, Bytes{0x9F, 0x01, 0x00, 0x00, 0x00}},
      {"getUrl2", [](A& a) { a.getUrl2(); }, Bytes{0x9A, 0x01, 0x00, 0x00, 0x00}},
      {"storeRegister", [](A& a) { a.storeRegister(1); }, Bytes{0x87, 0x01, 0x00, 0x01, 0x00}},
      // Offsets count from the following action.
      {"forward over one Play", [](A& a) { a.jump("over").play().label("over").stop(); },
       Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x06, 0x07, 0x00}},
      {"backward from 6 to 0", [](A& a) { a.label("top").stop().branchIfTrue("top"); },
       Bytes{0x07, 0x9D, 0x02, 0x00, 0xFA, 0xFF, 0x00}},
      {"label at the very end", [](A& a) { a.branchIfTrue("end").play().label("end"); },
       Bytes{0x9D, 0x02, 0x00, 0x01, 0x00, 0x06, 0x00}},
      {"missing label", [](A& a) { a.jump("nowhere"); }, std::nullopt},
      {"duplicate label", [](A& a) { a.label("a").play().label("a"); }, std::nullopt},
      {"branch beyond 16 bits",
       [](A& a) {
         a.jump("end");
         for (int i = 0; i < 33000; ++i) a.play();
         a.label("end");
       },
       std::nullopt},
  };
  for (const auto& [name, build, expected] : rows) {
    A a;
    build(a);
    EXPECT_EQ(a.finish(), expected) << name;
  }
}

TEST(MovieTags, PlacesObjectsWithOnlyTheFieldsGiven) {
  // Flags: name 0x20, matrix 0x04, character 0x02; 9-byte body.
  EXPECT_EQ(placeObject2Tag({.depth = 2, .characterId = 3, .matrix = Matrix{}, .name = "ab"}),
            (Bytes{0x89, 0x06, 0x26, 0x02, 0x00, 0x03, 0x00, 0x00, 'a', 'b', 0x00}));
  EXPECT_EQ(
      placeObject2Tag({.depth = 5, .characterId = {}, .matrix = Matrix::translation(0, 0), .name = {}, .move = true}),
      (Bytes{0x84, 0x06, 0x05, 0x05, 0x00, 0x00}));
}

TEST(MovieTags, WritesButtonsWithChainedConditionsAndSprites) {
  const std::vector<ButtonRecord> records = {{kButtonUp | kButtonHit, 1, 1, Matrix{}}};
  const Bytes expected{
      0x9A, 0x08,                                // DefineButton2 (34), 26 bytes
      0x04, 0x00,                                // button id
      0x00,                                      // push button, not a menu
      0x0A, 0x00,                                // ActionOffset: 2 + record 7 + end 1
      0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04,  // up and hit, character 1, depth 1, matrix, colour transform
      0x00,                                      // end of records
      0x07, 0x00, 0x01, 0x00, 0x06, 0x07, 0x00,  // size to the next condition, condition, play, stop, end
      0x00, 0x00, 0x08, 0x00, 0x06, 0x00,        // the last condition: released over the button; play, end
  };
  EXPECT_EQ(defineButton2Tag(4, records, {{0x0001, {0x06, 0x07, 0x00}}, {kConditionOverDownToOverUp, {0x06, 0x00}}}),
            expected);
  EXPECT_EQ(defineSpriteTag(5, 1, showFrameTag()), (Bytes{0xC8, 0x09, 0x05, 0x00, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00}));
}

TEST(ShapeBuilder, EncodesASquareWithOneSolidFill) {
  ShapeBuilder shape;
  shape.moveTo(0, 0, shape.addSolidFill({0xFF, 0x00, 0x00}));
  for (auto [x, y] : {std::pair{20, 0}, {20, 20}, {0, 20}, {0, 0}}) shape.lineTo(x, y);
  const Bytes expected = concat({
      {0x97, 0x00},                                          // DefineShape (2), 23 bytes
      {0x07, 0x00},                                          // shape id
      bitsToBytes("00110 000000 010100 000000 010100"),      // bounds 0..20 both ways
      {0x01, 0x00, 0xFF, 0x00, 0x00},                        // one solid fill, red
      {0x00},                                                // no line styles
      bitsToBytes("0001 0000"                                // one fill bit, no line bits
                  "0 0 0 1 0 1 00000 1"                      // style change: fill 1 on the right, move to 0,0
                  "1 1 0100 0 0 010100 1 1 0100 0 1 010100"  // straight, 6 bits: horizontal +20, vertical +20
                  "1 1 0100 0 0 101100 1 1 0100 0 1 101100"  // horizontal -20, vertical -20
                  "000000"),                                 // end of shape
  });
  EXPECT_EQ(shape.defineShape(7), expected);
}

// The shape records at the end of each DefineShape, bit by bit.
TEST(ShapeBuilder, EncodesCurvesAndFillChangesAndBoundsTheControlPoints) {
  auto endsWith = [](const Bytes& body, const Bytes& records) {
    return body.size() >= records.size() && std::equal(records.rbegin(), records.rend(), body.rbegin());
  };
  ShapeBuilder curved;
  curved.moveTo(40, 0, curved.addSolidFill({1, 2, 3}));
  curved.lineTo(60, -20);         // general line +20, -20
  curved.curveTo(60, 20, 40, 0);  // control +0,+40 then anchor -20,-20
  EXPECT_TRUE(endsWith(curved.defineShape(1), bitsToBytes("0001 0000"
                                                          "0 0 0 1 0 1 00111 0101000 0000000 1"  // move to 40,0
                                                          "1 1 0100 1 010100 101100"  // general line in 6 bits
                                                          "1 0 0101 0000000 0101000 1101100 1101100"  // curve, 7 bits
                                                          "000000")));

  ShapeBuilder twoFills;
  const int a = twoFills.addSolidFill({}), b = twoFills.addSolidFill({});
  for (int fill : {a, a, b}) {
    twoFills.moveTo(0, 0, fill);
    twoFills.lineTo(20, 0);
  }
  EXPECT_TRUE(endsWith(twoFills.defineShape(1), bitsToBytes("0010 0000"  // two fills need two bits
                                                            "000101 00000 01 11 0100 0 0 010100"  // fill 1
                                                            "000001 00000 11 0100 0 0 010100"     // same fill
                                                            "000101 00000 10 11 0100 0 0 010100"  // fill 2
                                                            "000000")));

  ShapeBuilder arch;
  arch.moveTo(0, 0, arch.addSolidFill({}));
  arch.curveTo(100, -50, 200, 0);
  arch.lineTo(0, 0);
  const Rect r = arch.bounds();
  EXPECT_EQ(std::tuple(r.xMin, r.xMax, r.yMin, r.yMax), std::tuple(0, 200, -50, 0));
}

}  // namespace
}  // namespace sonaflux::swf
