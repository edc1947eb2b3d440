// The streaming animation checked by tools that know nothing of this program:
// the lame command-line encoder makes the stream, ffprobe and ffmpeg read the SWF.
#include <gtest/gtest.h>

#include "tests/support/ffmpeg_tools.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/stream_checks.h"
#include "tests/support/swf_walker.h"
#include "tests/support/wav_fixture.h"
#include "tests/writers/writing_stage_fixture.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SwfStreamOracle, FfmpegReadsTheStreamAndBlocksHoldItExactly) {
  test::TempFolder work;
  // About 3 seconds of music-like sound as the compression stage makes it:
  // mono MPEG-2 Layer III, 24 kbit/s constant, 22 050 Hz, no tag frame.
  const Bytes stream = test::encodeWithLame(test::chordSequence(3.0, 22050, 1), 22050, 1,
                                            {"-m", "m", "-b", "24", "--resample", "22.05", "--cbr", "-t"});
  test::writeFileBytes(work.file("source.mp3"), stream);
  // MPEG-2 Layer III without CRC, 24 kbit/s, 22 050 Hz, mono
  ASSERT_TRUE(stream.size() > 6000 && stream[0] == 0xFF && stream[1] == 0xF3 && (stream[2] & 0xFC) == 0x30 &&
              (stream[3] & 0xC0) == 0xC0);

  test::WritingStageFixture fx;
  fx.prepare(stream);
  fx.run();
  ASSERT_FALSE(fx.ctx.job.jobFailed);
  const std::string swfPath = fx.output.file("snx1s.swf");
  const Bytes file = fx.streamBytes();
  std::string error;
  auto swf = test::walkSwf(file, &error);
  ASSERT_TRUE(swf) << error;
  Bytes data = test::soundStreamData(*swf);
  ASSERT_GE(data.size(), stream.size());
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), data.begin()));
  EXPECT_EQ(swf->fileLength, file.size());
  EXPECT_EQ(swf->frameCount, swf->showFrames());

  test::expectPlayableStream(swfPath);

  // The SWF decodes to the same samples as the bare stream, then the silence
  // that fills the last block.
  auto fromSwf = test::decodeToPcm(swfPath);
  auto fromMp3 = test::decodeToPcm(work.file("source.mp3"));
  ASSERT_TRUE(fromSwf && fromMp3);
  ASSERT_GT(fromMp3->size(), 2u * 22050);
  ASSERT_GE(fromSwf->size(), fromMp3->size());
  EXPECT_TRUE(std::equal(fromMp3->begin(), fromMp3->end(), fromSwf->begin()));
  std::span<const std::int16_t> tail(fromSwf->data() + fromMp3->size(), fromSwf->size() - fromMp3->size());
  EXPECT_LT(test::rmsLevel(tail), 0.001);
}

}  // namespace
}  // namespace sonaflux
