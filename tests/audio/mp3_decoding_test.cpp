#include "audio/mp3_decoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>

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
    EXPECT_TRUE(!tmp2Path.empty() || job.tmp2Pos == std::int64_t(bytes.size()) + 1) << job.tmp2Pos;
  }
  ~DecodeRun() { codecs.release(ctx); }
};

Bytes lameChords(std::uint32_t rate, std::uint16_t channels, const std::vector<std::string>& options) {
  return test::encodeWithLame(test::chordSequence(1.5, rate, channels), rate, channels, options);
}

// Encoder delay and padding from the LAME tag behind "Xing" or "Info": twelve bits each, 21 bytes into
// the tag that follows the 120 Xing bytes. nullopt when the encoder wrote no tag frame.
std::optional<std::pair<long, long>> lameDelayAndPadding(const Bytes& mp3) {
  for (std::size_t i = 0; i + 4 < std::min<std::size_t>(mp3.size(), 64); ++i) {
    if (std::memcmp(&mp3[i], "Xing", 4) == 0 || std::memcmp(&mp3[i], "Info", 4) == 0) {
      const std::uint8_t* tag = &mp3[i + 120];
      EXPECT_EQ(std::memcmp(tag, "LAME", 4), 0);
      return std::pair<long, long>{tag[21] << 4 | tag[22] >> 4, (tag[22] & 0x0F) << 8 | tag[23]};
    }
  }
  return std::nullopt;
}

TEST(Mp3Decoding, DecodesEveryFrameLikeAnIndependentDecoderAndMeasuresThePeak) {
  // Left silent, right loud: a peak taken from one channel only would be 1.
  Samples rightOnly = test::sineTone(1000.0, 1.0, 44100, 2, 0.6);
  for (std::size_t i = 0; i < rightOnly.size(); i += 2) rightOnly[i] = 0;
  // A full-scale square wave decodes with overshoot that clips at both rails.
  Samples square(22050);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 32767 : -32768;
  // Headers with the reserved layer, handed over as they are: no decoder can use them.
  const Bytes reserved =
      test::syntheticFrame(test::frameHeader(test::kVersion1, test::kLayerReserved, 9, 0, false, 0), 417);
  const Bytes undecodable = test::concat({reserved, reserved, reserved, reserved, reserved, reserved});
  const struct {
    const char* name;
    Bytes mp3;
    std::int32_t lowest = 1, highest = 32768;
    bool pcm = true;
  } rows[] = {
      {"44 100 Hz stereo with its Info frame, over several pieces", lameChords(44100, 2, {"-b", "128"})},
      {"22 050 Hz mono", lameChords(22050, 1, {"-b", "32"})},
      {"8 000 Hz, MPEG-2.5", lameChords(8000, 1, {"-b", "16"})},
      {"48 000 Hz, variable bitrate", lameChords(48000, 2, {"-V", "4"})},
      {"16 000 Hz joint stereo", lameChords(16000, 2, {"-b", "48", "-m", "j"})},
      // Two streams of another encoder, from the shared test files.
      {"changing bitrates", test::readFileBytes(test::testDataFolder() + "minimp3/M2L3_bitrate_22_all.mp3")},
      {"another encoder's stream", test::readFileBytes(test::testDataFolder() + "minimp3/ILL2_layer3.mp3")},
      {"right channel only", test::encodeWithLame(rightOnly, 44100, 2, {"-t", "-m", "s", "-b", "192"}), 15000},
      {"clipped square wave", test::encodeWithLame(square, 22050, 1, {"-t", "-b", "64"}), 32768},
      {"silence", test::encodeWithLame(Samples(44100, 0), 44100, 1, {"-t", "-b", "64"}), 1, 1},
      {"undecodable frames: no PCM, no message", undecodable, 1, 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DecodeRun run(row.mp3);
    const JobState& job = run.ctx.job;
    EXPECT_EQ(std::tuple(job.jobFailed, run.host.messages.size(), job.tmp1Pos), std::tuple(false, 0u, job.tmp1End));
    std::int32_t peak = 1;
    for (std::int16_t s : run.tmp2) peak = std::max(peak, std::abs(std::int32_t{s}));
    EXPECT_EQ(job.peakLevel, peak);
    EXPECT_TRUE(peak >= row.lowest && peak <= row.highest) << peak;
    EXPECT_EQ(!run.tmp2.empty(), row.pcm);
    if (!row.pcm) continue;

    test::writeFileBytes(run.folder.file("in.mp3"), row.mp3);
    auto info = test::probeAudio(run.folder.file("in.mp3"));
    auto reference = test::decodeToPcm(run.folder.file("in.mp3"));
    ASSERT_TRUE(info && reference);
    // ffprobe counts the audio frames, not an Info frame; every sample of every one of them comes out,
    // the last included, and the Info frame as one frame of silence.
    const auto tag = lameDelayAndPadding(row.mp3);
    const long channels = info->channels, frame = info->sampleRate >= 32000 ? 1152 : 576, infoFrame = tag ? frame : 0;
    ASSERT_EQ(long(run.tmp2.size()), (info->packetCount * frame + infoFrame) * channels);
    // ffmpeg honours the tag: it drops the encoder delay plus its 529 samples at the start and the
    // padding at the end. Otherwise both give the same samples, up to rounding.
    const auto [delay, padding] = tag.value_or(std::pair<long, long>{0, 0});
    ASSERT_EQ(long(run.tmp2.size() - reference->size()), (infoFrame + delay + padding) * channels);
    const std::size_t skipped = std::size_t(tag ? infoFrame + delay + 529 : 0) * std::size_t(channels);
    ASSERT_LE(skipped + reference->size(), run.tmp2.size());
    for (std::size_t i = 0; i < reference->size(); ++i)
      ASSERT_LE(std::abs(run.tmp2[skipped + i] - (*reference)[i]), 2) << i;
  }
}

TEST(Mp3Decoding, CancelAndFileFailuresEndTheStage) {
  const Bytes tone = lameChords(44100, 2, {"-t", "-b", "128"});
  ASSERT_GT(tone.size(), 16384u);
  DecodeRun cancelled(tone, 1);  // keeps only the next block the decoder delivers
  EXPECT_TRUE(cancelled.ctx.job.jobCancelled && cancelled.host.messages.empty());
  EXPECT_TRUE(cancelled.tmp2.size() > 0 && cancelled.tmp2.size() <= 4096) << cancelled.tmp2.size();

  // tmp2 cannot be written; tmp1 ends before its end, so the second piece falls short. Then the
  // message, and where reading tmp1 stopped.
  using Row = std::tuple<std::string, std::int64_t, std::string, std::int64_t>;
  for (const auto& [tmp2Path, missing, message, tmp1Read] :
       {Row{"/dev/full", 0, "Error: Cannot write file.", 16385}, Row{"", 20000, "Error: Cannot read file.", 32769}}) {
    DecodeRun run(tone, 0, tmp2Path, missing);
    EXPECT_EQ(std::tuple(run.ctx.job.jobFailed, run.host.texts(), run.ctx.job.tmp1Pos),
              std::tuple(true, std::vector<std::string>{message}, tmp1Read))
        << message;
  }
}

}  // namespace
}  // namespace sonaflux
