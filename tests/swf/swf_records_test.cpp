#include "swf/records.h"
#include "swf/tags.h"

#include <gtest/gtest.h>

#include "swf/bit_writer.h"
#include "tests/support/test_bits.h"

namespace sonaflux::swf {
namespace {

using test::bitsToBytes;
using test::concat;

TEST(BitWriter, CountsBitsAndPacksFieldsAcrossByteBoundaries) {
  for (auto [value, bits] : {std::pair{0, 0}, {1, 2}, {-1, 1}, {63, 7}, {64, 8}, {-64, 7}, {-65, 8}, {3000, 13}, {-3000, 13}})
    EXPECT_EQ(signedBitsFor(value), bits) << value;
  for (auto [value, bits] : {std::pair{0u, 0}, {1u, 1}, {255u, 8}, {256u, 9}}) EXPECT_EQ(unsignedBitsFor(value), bits) << value;
  BitWriter w;
  w.writeUnsigned(0b101, 3);
  w.writeSigned(-2, 7);  // 1111110
  w.writeFlag(true);
  EXPECT_EQ(w.finish(), bitsToBytes("101 1111110 1"));
}

TEST(SwfTags, HeaderTakesTheShortFormOnlyWhenTheBodyFits) {
  const struct {
    TagCode code;
    std::size_t size;
    bool forceLong;
    Bytes header;
  } rows[] = {
      {TagCode::End, 0, false, {0x00, 0x00}},
      {TagCode::ShowFrame, 0, false, {0x40, 0x00}},
      {TagCode::SetBackgroundColor, 3, false, {0x43, 0x02}},
      // 19 << 6 | 62 = 0x04FE: 62 is the longest body the six length bits can hold.
      {TagCode::SoundStreamBlock, 62, false, {0xFE, 0x04}},
      // 63 no longer fits beside the 0x3F escape.
      {TagCode::SoundStreamBlock, 63, false, {0xFF, 0x04, 0x3F, 0x00, 0x00, 0x00}},
      {TagCode::SoundStreamBlock, 0, true, {0xFF, 0x04, 0x00, 0x00, 0x00, 0x00}},
      {TagCode::SoundStreamBlock, 3243, true, {0xFF, 0x04, 0xAB, 0x0C, 0x00, 0x00}},
      {TagCode::DefineSprite, 300, false, {0xFF, 0x09, 0x2C, 0x01, 0x00, 0x00}},
      // 18 << 6 | 0x3F = 0x04BF; 70000 = 0x00011170
      {TagCode::SoundStreamHead, 70000, false, {0xBF, 0x04, 0x70, 0x11, 0x01, 0x00}},
      {TagCode::ShowFrame, 0, true, {0x7F, 0x00, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& row : rows) {
    const Bytes body(row.size, 0xAB);
    EXPECT_EQ(tag(row.code, body, row.forceLong), concat({row.header, body})) << static_cast<int>(row.code) << " " << row.size;
  }
}

TEST(SwfRecords, PacksRectanglesWithTheFewestBits) {
  const struct {
    Rect rect;
    Bytes expected;
  } rows[] = {
      {{0, 0, 0, 0}, bitsToBytes("00000")},
      // 150 x 40 pixels: 3000 twips needs 13 signed bits.
      {{0, 3000, 0, 800},
       bitsToBytes("01101 0000000000000 0101110111000 0000000000000 0001100100000")},
      {{-20, 20, -1, 1}, bitsToBytes("00110 101100 010100 111111 000001")},
  };
  for (const auto& row : rows) {
    Bytes out;
    appendRect(out, row.rect);
    EXPECT_EQ(out, row.expected) << row.rect.xMax;
  }
}

TEST(SwfRecords, WritesOnlyTheMatrixTermsInUse) {
  Matrix scaled;
  scaled.scaleX = 0.5;
  scaled.scaleY = 2.0;
  Matrix rotated;
  rotated.rotateSkew0 = 1.0;
  rotated.rotateSkew1 = -1.0;
  const struct {
    const char* name;
    Matrix matrix;
    Bytes expected;
  } rows[] = {
      {"identity", Matrix{}, bitsToBytes("0 0 00000")},
      {"translation", Matrix::translation(100, -40), bitsToBytes("0 0 01000 01100100 11011000")},
      // 16.16 fixed point: 0.5 = 0x8000 and 2.0 = 0x20000 need 19 signed bits.
      {"scale", scaled, bitsToBytes("1 10011 0001000000000000000 0100000000000000000 0 00000")},
      {"rotate", rotated, bitsToBytes("0 1 10010 010000000000000000 110000000000000000 00000")},
  };
  for (const auto& row : rows) {
    Bytes out;
    appendMatrix(out, row.matrix);
    EXPECT_EQ(out, row.expected) << row.name;
  }
}

TEST(SwfRecords, WritesColoursStringsAndTheIdentityColourTransform) {
  Bytes out;
  appendRgb(out, {0x12, 0x34, 0x56});
  appendString(out, "ab");
  appendIdentityColourTransform(out);
  EXPECT_EQ(out, (Bytes{0x12, 0x34, 0x56, 'a', 'b', 0x00, 0b0000'0100}));
}

}  // namespace
}  // namespace sonaflux::swf
