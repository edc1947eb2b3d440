#include "audio/mp3_decoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "audio/codec_libraries.h"
#include "core/byte_order.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

// Stage 2 on the bytes of tmp1, with the built decoder plug-in; tmp2 goes to tmp2Path when given.
// `missing` bytes are counted in tmp1's end but not there to read.
struct DecodeRun : test::StageFixture {
  CodecLibraries codecs;
  Samples tmp2;

  DecodeRun(const Bytes& tmp1, long cancelOnPump = 0, const std::string& tmp2Path = "", std::int64_t missing = 0) {
    EXPECT_TRUE(codecs.load(ctx));
    JobState& job = ctx.job;
    openFile(job.tmp1Handle, "x.tmp1", tmp1);
    openFile(job.tmp2Handle, "x.tmp2", {});
    EXPECT_TRUE(tmp2Path.empty() || job.tmp2Handle.openExisting(tmp2Path, FileAccess::ReadWrite, false));
    job.tmp1Handle.seek(static_cast<std::int64_t>(tmp1.size()));
    job.tmp1Pos = static_cast<std::int64_t>(tmp1.size()) + 1 + missing;
    host.cancelOnPump = cancelOnPump;
    decodeMp3Input(ctx);
    job.tmp2Handle.close();
    const Bytes bytes = test::readFileBytes(folder.file("x.tmp2"));
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) tmp2.push_back(std::int16_t(sampleAt(&bytes[i])));
  }
  ~DecodeRun() { codecs.release(ctx); }
};

Bytes lameChords(std::uint32_t rate, std::uint16_t channels, const std::vector<std::string>& options) {
  return test::encodeWithLame(test::chordSequence(1.5, rate, channels), rate, channels, options);
}

// Encoder delay and padding from the LAME tag behind "Xing" or "Info": twelve bits each, 21 bytes into
// the tag that follows the 120 Xing bytes. Nothing when the encoder wrote no tag frame.
std::optional<std::pair<long, long>> lameDelayAndPadding(const Bytes& mp3) {
  for (std::size_t i = 0; i + 4 < std::min<std::size_t>(mp3.size(), 64); ++i) {
    if (std::memcmp(&mp3[i], "Xing", 4) == 0 || std::memcmp(&mp3[i], "Info", 4) == 0) {
      const std::uint8_t* tag = &mp3[i + 120];
      return std::pair<long, long>{tag[21] << 4 | tag[22] >> 4, (tag[22] & 0x0F) << 8 | tag[23]};
    }
  }
  return std::nullopt;
}

struct StreamRow {
  const char* name;
  std::uint32_t rate;
  std::uint16_t channels;
  std::vector<std::string> lameOptions = {};
  const char* testFile = nullptr;  // a stream of another encoder instead
};

class Mp3Decoding : public testing::TestWithParam<StreamRow> {};

TEST_P(Mp3Decoding, DecodesEveryFrameLikeAnIndependentDecoder) {
  const StreamRow& row = GetParam();
  const Bytes mp3 = row.testFile ? test::readFileBytes(test::testDataFolder() + row.testFile)
                                 : lameChords(row.rate, row.channels, row.lameOptions);
  DecodeRun run(mp3);
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.ctx.job.tmp1Pos, run.ctx.job.tmp1End);
  test::writeFileBytes(run.folder.file("in.mp3"), mp3);
  auto info = test::probeAudio(run.folder.file("in.mp3"));
  auto reference = test::decodeToPcm(run.folder.file("in.mp3"));
  ASSERT_TRUE(info && reference);
  // ffprobe counts the audio frames, not an Info frame; every sample of every one of them comes out,
  // the last included, and the Info frame as one frame of silence.
  const auto tag = lameDelayAndPadding(mp3);
  const long channels = info->channels, frame = info->sampleRate >= 32000 ? 1152 : 576, infoFrame = tag ? frame : 0;
  ASSERT_EQ(long(run.tmp2.size()), (info->packetCount * frame + infoFrame) * channels);
  // ffmpeg honours the tag: it drops the encoder delay plus its 529 samples at the start and the
  // padding at the end. Otherwise both give the same samples, up to rounding.
  const auto [delay, padding] = tag.value_or(std::pair<long, long>{0, 0});
  ASSERT_EQ(long(run.tmp2.size() - reference->size()), (infoFrame + delay + padding) * channels);
  const std::size_t skipped = std::size_t(tag ? infoFrame + delay + 529 : 0) * std::size_t(channels);
  for (std::size_t i = 0; i < reference->size(); ++i)
    ASSERT_LE(std::abs(run.tmp2[skipped + i] - (*reference)[i]), 2) << i;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Streams, Mp3Decoding, testing::Values(
    StreamRow{.name = "Stereo44100WithInfoFrame", .rate = 44100, .channels = 2, .lameOptions = {"-b", "128"}},
    StreamRow{.name = "Mono8000Mpeg25", .rate = 8000, .channels = 1, .lameOptions = {"-b", "16", "-t"}},
    StreamRow{.name = "ChangingBitrates", .rate = 0, .channels = 0, .testFile = "minimp3/M2L3_bitrate_22_all.mp3"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

std::int32_t largestMagnitude(const Samples& samples) {
  std::int32_t peak = 0;
  for (std::int16_t s : samples) peak = std::max(peak, std::abs(std::int32_t{s}));
  return peak;
}

// Left silent, right loud: a peak taken from one channel only would be 1.
TEST(Mp3DecodingPeak, IsTheLargestSampleOfEitherChannel) {
  Samples rightOnly = test::sineTone(1000.0, 0.5, 44100, 2, 0.6);
  for (std::size_t i = 0; i < rightOnly.size(); i += 2) rightOnly[i] = 0;
  DecodeRun run(test::encodeWithLame(rightOnly, 44100, 2, {"-t", "-m", "s", "-b", "64"}));
  EXPECT_EQ(run.ctx.job.peakLevel, largestMagnitude(run.tmp2));
  EXPECT_GT(run.ctx.job.peakLevel, 15000);
}

// The compression stage divides by it.
TEST(Mp3DecodingPeak, OfSilenceIsOne) {
  DecodeRun run(test::encodeWithLame(Samples(22050, 0), 44100, 1, {"-t", "-b", "64"}));
  EXPECT_EQ(largestMagnitude(run.tmp2), 0);
  EXPECT_EQ(run.ctx.job.peakLevel, 1);
}

TEST(Mp3DecodingStops, CancelKeepsTheBlockInHand) {
  DecodeRun cancelled(lameChords(44100, 2, {"-t", "-b", "128"}), 1);
  EXPECT_TRUE(cancelled.ctx.job.jobCancelled && cancelled.host.messages.empty());
  EXPECT_TRUE(cancelled.tmp2.size() > 0 && cancelled.tmp2.size() <= 4096) << cancelled.tmp2.size();
}

// Where reading tmp1 stopped: after the first 16 384-byte piece.
TEST(Mp3DecodingStops, AFullDiskFailsTheStageWithItsMessage) {
  DecodeRun run(lameChords(44100, 2, {"-t", "-b", "128"}), 0, "/dev/full");
  EXPECT_TRUE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
  EXPECT_EQ(run.ctx.job.tmp1Pos, 16385);
}

// tmp1 ends before its counted end, so the second piece falls short.
TEST(Mp3DecodingStops, AShortTemporaryFileFailsTheStageWithItsMessage) {
  DecodeRun run(lameChords(44100, 2, {"-t", "-b", "128"}), 0, "", 20000);
  EXPECT_TRUE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.host.texts(), std::vector<std::string>{"Error: Cannot read file."});
  EXPECT_EQ(run.ctx.job.tmp1Pos, 32769);
}

}  // namespace
}  // namespace sonaflux
