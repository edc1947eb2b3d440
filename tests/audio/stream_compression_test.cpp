#include "audio/stream_compression.h"

#include <gtest/gtest.h>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "core/file_routines.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

TEST(StreamCompression, NormalisesInIntegerArithmetic) {
  const struct {
    std::int32_t sample, peak;
    bool stereo;
    std::int32_t expected;
  } rows[] = {
      {100, 30000, false, 93},      // 2 800 000 / 30 000 = 93.3
      {-100, 30000, false, -93},    // truncated toward zero
      {30000, 30000, false, 28000},
      {-30000, 30000, true, -31000},
      {0, 1, false, 0},             // silence stays silent
      {1, 1, true, 31000},
      {-32768, 32768, true, -31000},
      {32767, 32768, false, 27999},
      {5, 1, false, 32767},         // kept within 16 bits
      {-5, 1, true, -32768},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(normaliseSample(row.sample, row.peak, row.stereo), row.expected)
        << row.sample << " / " << row.peak << (row.stereo ? " stereo" : " mono");
    // The stage's table, indexed by the sample's 16 bits, gives the same.
    if (row.sample >= -32768 && row.sample <= 32767) {
      EXPECT_EQ(NormalisationTable(row.peak, row.stereo)(static_cast<std::int16_t>(row.sample)), row.expected)
          << row.sample << " / " << row.peak;
    }
  }
}

// The compression stage on its own, with the real encoder plug-in.
struct CompressionRun : test::StageFixture {
  CodecLibraries codecs;

  CompressionRun() { EXPECT_TRUE(codecs.load(ctx)); }
  ~CompressionRun() { codecs.release(ctx); }

  /// Compresses pcm into tmp3 (or into a full disk) and returns tmp3.
  std::vector<std::uint8_t> run(const std::vector<std::uint8_t>& pcm, std::int32_t rate, bool stereo, std::int32_t peak,
                                bool fullDisk = false) {
    JobState& job = ctx.job;
    openFile(job.tmp2Handle, "x.tmp2", pcm);
    openFile(job.tmp3Handle, "x.tmp3", {});
    if (fullDisk) {
      EXPECT_TRUE(job.tmp3Handle.openExisting("/dev/full", FileAccess::ReadWrite, false));
    }
    job.tmp2Pos = static_cast<std::int64_t>(pcm.size()) + 1;
    job.sampleRate = rate;
    job.inputStereo = stereo;
    job.peakLevel = peak;
    compressStream(ctx);
    job.tmp3Handle.close();
    job.tmp2Handle.close();
    return test::readFileBytes(folder.file("x.tmp3"));
  }
};

// Every frame of the stream: MPEG-2 Layer III, 24 kbit/s, 22 050 Hz, mono.
std::size_t streamFrames(const std::vector<std::uint8_t>& stream) {
  auto frames = test::walkLayer3Frames(stream);
  EXPECT_TRUE(frames) << "not a bare run of Layer III frames";
  if (!frames) return 0;
  for (const test::MpegFrame& f : *frames) {
    EXPECT_EQ(f.version, 2);
    EXPECT_EQ(f.bitrate, 24);
    EXPECT_EQ(f.sampleRate, 22050);
    EXPECT_TRUE(f.mono);
  }
  return frames->size();
}

TEST(StreamCompression, EncodesTmp2IntoWholeFramesOfTheStream) {
  const struct {
    const char* name;
    std::int32_t rate;
    bool stereo;
    double seconds;
    bool oddByte;  // a trailing half sample is not handed to the encoder
  } rows[] = {{"44 100 Hz stereo", 44100, true, 2.0, false}, {"22 050 Hz mono, odd size", 22050, false, 2.0, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CompressionRun run;
    std::vector<std::uint8_t> pcm =
        test::samplesToBytes(test::sineTone(440, row.seconds, static_cast<std::uint32_t>(row.rate), row.stereo ? 2 : 1, 0.25));
    if (row.oddByte) pcm.push_back(0x7F);
    std::vector<std::uint8_t> stream = run.run(pcm, row.rate, row.stereo, 8192);
    ASSERT_FALSE(run.ctx.job.jobFailed) << testing::PrintToString(run.host.texts());
    // Two seconds at 22 050 Hz are about 77 frames of 576 samples, plus the encoder's delay.
    std::size_t frames = streamFrames(stream);
    EXPECT_GE(frames, 76u);
    EXPECT_LE(frames, 82u);
    EXPECT_EQ(run.ctx.job.tmp3Pos, static_cast<std::int64_t>(stream.size()) + 1);
  }
}

TEST(StreamCompression, FailuresStopTheStageWithTheirMessage) {
  const std::vector<std::uint8_t> pcm = test::samplesToBytes(test::sineTone(440, 3.0, 22050, 1));
  CompressionRun refused;
  refused.run(pcm, 1, false, 100);  // a rate no encoder takes
  EXPECT_TRUE(refused.ctx.job.jobFailed);
  EXPECT_EQ(refused.host.texts(), std::vector<std::string>{"Error: Cannot initialise LAME encoder."});

  CompressionRun full;
  full.run(pcm, 22050, false, 16384, true);
  EXPECT_TRUE(full.ctx.job.jobFailed);
  EXPECT_EQ(full.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
}

}  // namespace
}  // namespace sonaflux
