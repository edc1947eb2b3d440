#include "writers/swf_tags.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The template the build puts in the program folder, worked out field by field.
const Bytes kExpectedTemplate = {
    'F', 'W', 'S',           // uncompressed SWF
    6,                       // version
    0x00, 0x00, 0x00, 0x00,  // FileLength, patched by the writer
    // RECT, 10-bit fields: Nbits 01010 | Xmin 0 | Xmax 400 = 0110010000 | Ymin 0 |
    // Ymax 400 = 0110010000 | 3 padding bits
    0b01010'000,             // Nbits | Xmin bits 1-3
    0b0000000'0,             // Xmin bits 4-10 | Xmax bit 1
    0b11001000,              // Xmax bits 2-9
    0b0'0000000,             // Xmax bit 10 | Ymin bits 1-7
    0b000'01100,             // Ymin bits 8-10 | Ymax bits 1-5
    0b10000'000,             // Ymax bits 6-10 | padding
    0x00, 0x01,              // frame rate 8.8: 1.0 frame per second
    0x00, 0x00,              // FrameCount, patched by the writer
    // SetBackgroundColor: code 9 << 6 | length 3 = 0x0243, then white
    0x43, 0x02, 0xFF, 0xFF, 0xFF,
    // SoundStreamHead: code 18 << 6 | length 6 = 0x0486
    0x86, 0x04,
    0b0000'10'1'0,           // reserved | playback 22 kHz | 16-bit | mono
    0b0010'10'1'0,           // MP3 | 22 kHz | 16-bit | mono
    0x22, 0x56,              // StreamSoundSampleCount 22050 = 0x5622
    0x00, 0x00,              // LatencySeek 0
    0x40, 0x00,              // ShowFrame: code 1 << 6 | length 0
};

TEST(StreamTemplate, ProgramFolderHoldsTheHandDerivedHeader) {
  ASSERT_EQ(kExpectedTemplate.size(), kStreamTemplateSize);
  EXPECT_EQ(test::readFileBytes(test::programFolder() + "snx.da1"), kExpectedTemplate);
  EXPECT_EQ(streamHeaderTemplate(), kExpectedTemplate);
}

}  // namespace
}  // namespace sonaflux
