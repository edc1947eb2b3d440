#include "audio/stream_compression.h"

#include <gtest/gtest.h>

#include <tuple>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "core/file_routines.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

TEST(StreamCompression, NormalisesInIntegerArithmetic) {
  // Sample, peak, stereo, result.
  const std::tuple<std::int32_t, std::int32_t, bool, std::int32_t> rows[] = {
      {100, 30000, false, 93},                                                        // 2 800 000 / 30 000 = 93.3
      {-100, 30000, false, -93},                                                      // truncated toward zero
      {30000, 30000, false, 28000}, {-30000, 30000, true, -31000}, {0, 1, false, 0},  // silence stays silent
      {1, 1, true, 31000},          {-32768, 32768, true, -31000}, {32767, 32768, false, 27999},
      {5, 1, false, 32767},  // kept within 16 bits
      {-5, 1, true, -32768},
  };
  for (const auto& [sample, peak, stereo, expected] : rows) {
    // The stage's table, indexed by the sample's 16 bits, gives the same.
    EXPECT_EQ(std::tuple(normaliseSample(sample, peak, stereo), NormalisationTable(peak, stereo)(std::int16_t(sample))),
              std::tuple(expected, expected))
        << sample << " / " << peak << (stereo ? " stereo" : " mono");
  }
}

// A full disk under tmp3 stops the stage with its message. (A rate the encoder refuses: the
// driver's failure ladder.)
TEST(StreamCompression, AWriteFailureStopsTheStageWithItsMessage) {
  test::StageFixture f;
  CodecLibraries codecs;
  ASSERT_TRUE(codecs.load(f.ctx));
  const std::vector<std::uint8_t> pcm = test::samplesToBytes(test::sineTone(440, 3.0, 22050, 1));
  JobState& job = f.ctx.job;
  f.openFile(job.tmp2Handle, "x.tmp2", pcm);
  ASSERT_TRUE(job.tmp3Handle.openExisting("/dev/full", FileAccess::ReadWrite, false));
  job.tmp2Pos = static_cast<std::int64_t>(pcm.size()) + 1;
  job.sampleRate = 22050;
  job.inputStereo = false;
  job.peakLevel = 16384;
  compressStream(f.ctx);
  EXPECT_TRUE(job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
  codecs.release(f.ctx);
}

}  // namespace
}  // namespace sonaflux
