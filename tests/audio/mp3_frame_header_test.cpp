#include "audio/mp3_frame_header.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace sonaflux {
namespace {

using enum MpegVersion;

// Bytes 2 to 4 of a header: 111 VV LL P, BBBB RR p x, MM xxxxxx. Lengths worked out by hand.
struct HeaderRow {
  const char* name;
  std::array<std::uint8_t, 3> bytes;
  MpegVersion version;
  int layer;
  std::int32_t kbps;
  std::int32_t rate;
  bool stereo;
  std::int32_t length;
  bool valid = true;  // a header decoders accept
};

// clang-format off
const HeaderRow kHeaderRows[] = {
    {.name = "Mpeg25Layer2PaddedTheLongest", .bytes = {0b111'00'10'1, 0b1110'10'1'0, 0b11'000000},
     .version = Mpeg25, .layer = 2, .kbps = 160, .rate = 8000, .stereo = false, .length = 2881},
    {.name = "Mpeg1Layer1PaddedBySlotsOfFour", .bytes = {0b111'11'11'1, 0b0001'00'1'0, 0b00'000000},
     .version = Mpeg1, .layer = 1, .kbps = 32, .rate = 44100, .stereo = true, .length = 36},
    {.name = "Mpeg2Layer1", .bytes = {0b111'10'11'1, 0b1110'10'0'0, 0b00'000000},
     .version = Mpeg2, .layer = 1, .kbps = 256, .rate = 16000, .stereo = true, .length = 768},
    {.name = "Mpeg1Layer2", .bytes = {0b111'11'10'1, 0b1110'10'0'0, 0b00'000000},
     .version = Mpeg1, .layer = 2, .kbps = 384, .rate = 32000, .stereo = true, .length = 1728},
    {.name = "ReservedVersionReadsAsMpeg25", .bytes = {0b111'01'01'1, 0b1000'00'0'0, 0b00'000000},
     .version = Mpeg25, .layer = 3, .kbps = 64, .rate = 11025, .stereo = true, .length = 417, .valid = false},
    {.name = "ReservedLayerReadsAsLayer3", .bytes = {0b111'11'00'1, 0b1001'00'0'0, 0b00'000000},
     .version = Mpeg1, .layer = 3, .kbps = 128, .rate = 44100, .stereo = true, .length = 417, .valid = false},
    {.name = "FreeFormatReadsAs128", .bytes = {0b111'10'01'1, 0b0000'00'0'0, 0b00'000000},
     .version = Mpeg2, .layer = 3, .kbps = 128, .rate = 22050, .stereo = true, .length = 417},
    {.name = "ForbiddenBitrateReadsAs128", .bytes = {0b111'11'10'1, 0b1111'01'0'0, 0b00'000000},
     .version = Mpeg1, .layer = 2, .kbps = 128, .rate = 48000, .stereo = true, .length = 384, .valid = false},
    {.name = "ReservedRateReadsAs44100", .bytes = {0b111'10'01'1, 0b1000'11'0'0, 0b00'000000},
     .version = Mpeg2, .layer = 3, .kbps = 64, .rate = 44100, .stereo = true, .length = 104, .valid = false},
};
// clang-format on

class Mp3FrameHeader : public testing::TestWithParam<HeaderRow> {};

TEST_P(Mp3FrameHeader, DecodesFieldsAndFrameLength) {
  const HeaderRow& row = GetParam();
  const FrameHeader header = decodeFrameHeader(row.bytes[0], row.bytes[1], row.bytes[2]);
  EXPECT_EQ(header.version, row.version);
  EXPECT_EQ(header.layer, row.layer);
  EXPECT_EQ(header.bitrateKbps, row.kbps);
  EXPECT_EQ(header.sampleRate, row.rate);
  EXPECT_EQ(header.stereo, row.stereo);
  EXPECT_EQ(header.freeFormat, (row.bytes[1] >> 4) == 0);
  EXPECT_EQ(frameLength(header), row.length);
  const std::array<std::uint8_t, 4> bytes = {0xFF, row.bytes[0], row.bytes[1], row.bytes[2]};
  EXPECT_EQ(isValidFrameHeader(bytes), row.valid);
}

INSTANTIATE_TEST_SUITE_P(Headers, Mp3FrameHeader, testing::ValuesIn(kHeaderRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The scanner's frame buffer is sized by the longest length.
TEST(Mp3FrameHeaderSweep, NoHeaderGivesMoreThanTheLongestLength) {
  for (int b2 = 0xE0; b2 <= 0xFF; ++b2)
    for (int b3 = 0; b3 <= 0xFF; ++b3) {
      const std::int32_t length = frameLength(decodeFrameHeader(std::uint8_t(b2), std::uint8_t(b3), 0));
      ASSERT_TRUE(length > 4 && length <= kLongestFrameLength) << b2 << " " << b3 << ": " << length;
    }
}

// The scanner looks at what follows a frame, which may be shorter than a header.
TEST(Mp3FrameHeaderSweep, ACutHeaderOrElevenSyncBitsShortIsNoHeader) {
  const std::array<std::uint8_t, 4> good = {0xFF, 0xFB, 0x90, 0x00}, lowSync = {0xFF, 0xDB, 0x90, 0x00};
  EXPECT_TRUE(isValidFrameHeader(good));
  EXPECT_FALSE(isValidFrameHeader(std::span(good).first(3)));
  EXPECT_FALSE(isValidFrameHeader(lowSync));
}

}  // namespace
}  // namespace sonaflux
