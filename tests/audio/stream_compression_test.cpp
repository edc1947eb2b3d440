#include "audio/stream_compression.h"

#include <gtest/gtest.h>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "core/byte_order.h"
#include "core/file_routines.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::RecordingHost;
using test::TempFolder;

TEST(StreamCompression, ConfigurationRecordHoldsTheStreamSettings) {
  // Offsets and values of the encoder's structure-version-1 record, 331 bytes.
  const struct {
    std::int32_t rate;
    bool stereo;
    std::uint32_t declaredRate;
  } rows[] = {{11025, false, 11025}, {44100, true, 88200}, {22050, false, 22050}};
  for (const auto& row : rows) {
    EncoderConfig config = makeEncoderConfig(row.rate, row.stereo);
    std::span<const std::uint8_t> bytes(config);
    ASSERT_EQ(bytes.size(), 331u);
    EXPECT_EQ(readU32(bytes, 0), 256u);
    EXPECT_EQ(readU32(bytes, 4), 1u);
    EXPECT_EQ(readU32(bytes, 8), 331u);
    EXPECT_EQ(readU32(bytes, 12), row.declaredRate);
    EXPECT_EQ(readU32(bytes, 16), 22050u);
    EXPECT_EQ(readU32(bytes, 20), 3u);
    EXPECT_EQ(readU32(bytes, 24), 24u);
    EXPECT_EQ(readU32(bytes, 32), 5u);
    EXPECT_EQ(readU32(bytes, 60), 1u);
    // Everything else is zero.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bool set = i < 28 || (i >= 32 && i < 36) || (i >= 60 && i < 64);
      if (!set) {
        EXPECT_EQ(bytes[i], 0) << "offset " << i;
      }
    }
  }
}

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
struct CompressionRun {
  TempFolder folder;
  RecordingHost host;
  AppContext ctx{host};
  CodecLibraries codecs;
  test::RecordingProgressBar bar;

  CompressionRun() {
    ctx.paths.programFolder = test::programFolder();
    EXPECT_TRUE(codecs.load(ctx));
    ctx.job.progressCompress = &bar;
  }
  ~CompressionRun() { codecs.release(ctx); }

  std::vector<std::uint8_t> run(const std::vector<std::uint8_t>& pcm, std::int32_t rate, bool stereo, std::int32_t peak) {
    test::writeFileBytes(folder.file("x.tmp2"), pcm);
    test::writeFileBytes(folder.file("x.tmp3"), {});
    JobState& job = ctx.job;
    EXPECT_TRUE(job.tmp2Handle.openExisting(folder.file("x.tmp2"), FileAccess::ReadWrite, true));
    EXPECT_TRUE(job.tmp3Handle.openExisting(folder.file("x.tmp3"), FileAccess::ReadWrite, true));
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

// Walks a bare MPEG-2 Layer III 24 kbit/s stream: every frame 78 bytes, or 79
// with the padding bit set.
std::size_t countStreamFrames(const std::vector<std::uint8_t>& stream) {
  std::size_t pos = 0, frames = 0;
  while (pos + 3 <= stream.size()) {
    EXPECT_EQ(stream[pos], 0xFF) << "at " << pos;
    EXPECT_EQ(stream[pos + 1], 0xF3) << "at " << pos;  // MPEG-2, Layer III, no CRC
    if (stream[pos] != 0xFF) return frames;
    pos += (stream[pos + 2] & 0x02) ? 79 : 78;
    ++frames;
  }
  EXPECT_EQ(pos, stream.size());
  return frames;
}

TEST(StreamCompression, EncodesTmp2IntoWholeFramesOfTheStream) {
  CompressionRun run;
  std::vector<std::int16_t> tone = test::sineTone(440, 2.0, 44100, 2, 0.25);
  std::vector<std::uint8_t> stream = run.run(test::samplesToBytes(tone), 44100, true, 8192);
  ASSERT_FALSE(run.ctx.job.jobFailed) << (run.host.messages.empty() ? "" : run.host.messages[0].text);
  // Two seconds at 22 050 Hz are about 77 frames of 576 samples, plus the encoder's delay.
  std::size_t frames = countStreamFrames(stream);
  EXPECT_GE(frames, 76u);
  EXPECT_LE(frames, 82u);
  EXPECT_EQ(run.ctx.job.tmp3Pos, static_cast<std::int64_t>(stream.size()) + 1);
  EXPECT_EQ(run.bar.positions.back(), kProgressFull);
}

TEST(StreamCompression, AnOddTrailingByteIsNotHandedToTheEncoder) {
  CompressionRun run;
  std::vector<std::uint8_t> pcm = test::samplesToBytes(test::sineTone(1000, 0.3, 22050, 1));
  pcm.push_back(0x7F);
  std::vector<std::uint8_t> stream = run.run(pcm, 22050, false, 16384);
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_GT(countStreamFrames(stream), 10u);
}

TEST(StreamCompression, RefusedConfigurationFailsWithItsMessage) {
  CompressionRun run;
  // A rate no encoder takes.
  run.run(test::samplesToBytes(test::sineTone(440, 0.1, 8000, 1)), 1, false, 100);
  EXPECT_TRUE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.host.texts(), std::vector<std::string>{"Error: Cannot initialise LAME encoder."});
}

TEST(StreamCompression, WriteFailureStopsTheStage) {
  CompressionRun run;
  TempFolder& folder = run.folder;
  std::vector<std::uint8_t> pcm = test::samplesToBytes(test::sineTone(440, 3.0, 22050, 1));
  test::writeFileBytes(folder.file("x.tmp2"), pcm);
  JobState& job = run.ctx.job;
  ASSERT_TRUE(job.tmp2Handle.openExisting(folder.file("x.tmp2"), FileAccess::ReadWrite, true));
  ASSERT_TRUE(job.tmp3Handle.openExisting("/dev/full", FileAccess::ReadWrite, false));
  job.tmp2Pos = static_cast<std::int64_t>(pcm.size()) + 1;
  job.sampleRate = 22050;
  job.peakLevel = 16384;
  compressStream(run.ctx);
  EXPECT_TRUE(job.jobFailed);
  EXPECT_EQ(run.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
}

}  // namespace
}  // namespace sonaflux
