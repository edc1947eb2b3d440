#include "audio/stream_compression.h"

#include <gtest/gtest.h>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "core/file_routines.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

struct LevelRow {
  const char* name;
  std::int32_t sample;
  std::int32_t peak;
  bool stereo;
  std::int32_t result;
};

// clang-format off
const LevelRow kLevelRows[] = {
    {.name = "TruncatedTowardZero", .sample = -100, .peak = 30000, .stereo = false, .result = -93},
    {.name = "StereoTo31000", .sample = -30000, .peak = 30000, .stereo = true, .result = -31000},
    {.name = "FullScaleTruncated", .sample = 32767, .peak = 32768, .stereo = false, .result = 27999},
    {.name = "HeldWithinSixteenBitsAbove", .sample = 5, .peak = 1, .stereo = false, .result = 32767},
    {.name = "HeldWithinSixteenBitsBelow", .sample = -5, .peak = 1, .stereo = true, .result = -32768},
};
// clang-format on

class StreamCompression : public testing::TestWithParam<LevelRow> {};

// The stage's table, indexed by the sample's 16 bits, gives the same as the sum.
TEST_P(StreamCompression, NormalisesInIntegerArithmetic) {
  const LevelRow& row = GetParam();
  EXPECT_EQ(normaliseSample(row.sample, row.peak, row.stereo), row.result);
  EXPECT_EQ(NormalisationTable(row.peak, row.stereo)(std::int16_t(row.sample)), row.result);
}

INSTANTIATE_TEST_SUITE_P(Levels, StreamCompression, testing::ValuesIn(kLevelRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StreamCompressionStops, AWriteFailureStopsTheStageWithItsMessage) {
  test::StageFixture f;
  CodecLibraries codecs;
  ASSERT_TRUE(codecs.load(f.ctx));
  const std::vector<std::uint8_t> pcm = test::samplesToBytes(test::sineTone(440, 3.0, 22050, 1));
  JobState& job = f.ctx.job;
  f.openFile(job.tmp2Handle, "x.tmp2", pcm);
  ASSERT_TRUE(job.tmp3Handle.openExisting("/dev/full", FileAccess::ReadWrite, false));
  job.tmp2Pos = static_cast<std::int64_t>(pcm.size()) + 1;
  job.sampleRate = 22050;
  job.peakLevel = 16384;
  compressStream(f.ctx);
  EXPECT_TRUE(job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
  codecs.release(f.ctx);
}

}  // namespace
}  // namespace sonaflux
