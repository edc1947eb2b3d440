#include "audio/mp3_frame_header.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace sonaflux {
namespace {

struct HeaderRow {
  const char* name;
  std::array<std::uint8_t, 3> bytes;  // header bytes 2 to 4
  MpegVersion version;
  int layer;
  std::int32_t bitrate;
  std::int32_t sampleRate;
  bool stereo;
  std::int32_t length;
  bool valid = true;  // a header decoders accept
};

// Byte 2 = 111 VV LL P, byte 3 = BBBB RR p x, byte 4 = MM xxxxxx.
// Lengths worked out by hand from bitrate, rate and padding.
const HeaderRow kHeaderRows[] = {
    {"MPEG-1 III 128k 44.1k",
     {0b111'11'01'1, 0b1001'00'0'0, 0b00'000000},
     MpegVersion::Mpeg1,
     3,
     128,
     44100,
     true,
     417},
    {"MPEG-1 III 128k 44.1k padded",
     {0b111'11'01'1, 0b1001'00'1'0, 0b01'000000},
     MpegVersion::Mpeg1,
     3,
     128,
     44100,
     true,
     418},
    {"MPEG-2 III 64k 22.05k",
     {0b111'10'01'1, 0b1000'00'0'0, 0b11'000000},
     MpegVersion::Mpeg2,
     3,
     64,
     22050,
     false,
     208},
    {"MPEG-2 II 64k 22.05k", {0b111'10'10'1, 0b1000'00'0'0, 0b10'000000}, MpegVersion::Mpeg2, 2, 64, 22050, true, 417},
    {"MPEG-2.5 II 160k 8k padded, the longest",
     {0b111'00'10'1, 0b1110'10'1'0, 0b11'000000},
     MpegVersion::Mpeg25,
     2,
     160,
     8000,
     false,
     2881},
    {"MPEG-1 I 32k 44.1k padded",
     {0b111'11'11'1, 0b0001'00'1'0, 0b00'000000},
     MpegVersion::Mpeg1,
     1,
     32,
     44100,
     true,
     36},
    {"MPEG-1 I 384k 44.1k, whole slots",
     {0b111'11'11'1, 0b1100'00'0'0, 0b00'000000},
     MpegVersion::Mpeg1,
     1,
     384,
     44100,
     true,
     416},
    {"MPEG-1 I 448k 48k", {0b111'11'11'1, 0b1110'01'0'0, 0b00'000000}, MpegVersion::Mpeg1, 1, 448, 48000, true, 448},
    {"MPEG-2 I 256k 16k", {0b111'10'11'1, 0b1110'10'0'0, 0b00'000000}, MpegVersion::Mpeg2, 1, 256, 16000, true, 768},
    {"MPEG-1 II 384k 32k", {0b111'11'10'1, 0b1110'10'0'0, 0b00'000000}, MpegVersion::Mpeg1, 2, 384, 32000, true, 1728},
    {"MPEG-1 III 320k 48k", {0b111'11'01'1, 0b1110'01'0'0, 0b00'000000}, MpegVersion::Mpeg1, 3, 320, 48000, true, 960},
    {"MPEG-2.5 III 8k 8k", {0b111'00'01'1, 0b0001'10'0'0, 0b11'000000}, MpegVersion::Mpeg25, 3, 8, 8000, false, 72},
    {"reserved version reads as MPEG-2.5",
     {0b111'01'01'1, 0b1000'00'0'0, 0b00'000000},
     MpegVersion::Mpeg25,
     3,
     64,
     11025,
     true,
     417,
     false},
    {"reserved layer reads as Layer III",
     {0b111'11'00'1, 0b1001'00'0'0, 0b00'000000},
     MpegVersion::Mpeg1,
     3,
     128,
     44100,
     true,
     417,
     false},
    {"free-format bitrate reads as 128",
     {0b111'10'01'1, 0b0000'00'0'0, 0b00'000000},
     MpegVersion::Mpeg2,
     3,
     128,
     22050,
     true,
     417},
    {"forbidden bitrate reads as 128",
     {0b111'11'10'1, 0b1111'01'0'0, 0b00'000000},
     MpegVersion::Mpeg1,
     2,
     128,
     48000,
     true,
     384,
     false},
    {"reserved rate reads as 44 100",
     {0b111'10'01'1, 0b1000'11'0'0, 0b00'000000},
     MpegVersion::Mpeg2,
     3,
     64,
     44100,
     true,
     104,
     false},
};

TEST(Mp3FrameHeader, DecodesFieldsAndFrameLengths) {
  for (const HeaderRow& row : kHeaderRows) {
    SCOPED_TRACE(row.name);
    FrameHeader header = decodeFrameHeader(row.bytes[0], row.bytes[1], row.bytes[2]);
    EXPECT_EQ(std::tuple(header.version, header.layer, header.bitrateKbps, header.sampleRate, header.stereo),
              std::tuple(row.version, row.layer, row.bitrate, row.sampleRate, row.stereo));
    EXPECT_EQ(frameLength(header), row.length);
    const std::array<std::uint8_t, 4> bytes = {0xFF, row.bytes[0], row.bytes[1], row.bytes[2]};
    EXPECT_EQ(isValidFrameHeader(bytes), row.valid);
    EXPECT_EQ(header.freeFormat, (row.bytes[1] >> 4) == 0);
  }
}

TEST(Mp3FrameHeader, NoHeaderEverGivesMoreThanTheLongestLength) {
  for (int b2 = 0xE0; b2 <= 0xFF; ++b2)
    for (int b3 = 0; b3 <= 0xFF; ++b3) {
      std::int32_t length =
          frameLength(decodeFrameHeader(static_cast<std::uint8_t>(b2), static_cast<std::uint8_t>(b3), 0));
      ASSERT_TRUE(length > 4 && length <= kLongestFrameLength) << b2 << " " << b3 << ": " << length;
    }
}

TEST(Mp3FrameHeader, WantsElevenSyncBitsAndFourBytes) {
  const std::array<std::uint8_t, 4> good = {0xFF, 0xFB, 0x90, 0x00}, lowSync = {0xFF, 0xDB, 0x90, 0x00},
                                    noFF = {0xFE, 0xFB, 0x90, 0x00};
  ASSERT_TRUE(parseFrameHeader(good).has_value());
  EXPECT_EQ(frameLength(*parseFrameHeader(good)), 417);
  for (std::span<const std::uint8_t> bad : {std::span<const std::uint8_t>(good).first(3), {lowSync}, {noFF}})
    EXPECT_TRUE(!parseFrameHeader(bad).has_value() && !isValidFrameHeader(bad)) << bad.size();
}

}  // namespace
}  // namespace sonaflux
