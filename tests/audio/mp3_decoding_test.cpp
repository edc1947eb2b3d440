#include "audio/mp3_decoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "audio/codec_libraries.h"
#include "core/byte_order.h"
#include "settings/parameters_file.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/job_fixture.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Stages 1 and 2 on real files, with the built decoder plug-in.
struct DecodeRun : test::StageFixture {
  CodecLibraries codecs;
  test::RecordingProgressBar progress;
  Bytes tmp2;

  DecodeRun() {
    EXPECT_TRUE(codecs.load(ctx));
    ctx.job.progressDecode = &progress;
  }
  ~DecodeRun() { codecs.release(ctx); }

  // Decodes the bytes as tmp1; tmp2 goes to tmp2Path when given. missing
  // bytes are counted in tmp1's end but not there to read.
  void decode(const Bytes& tmp1, const std::string& tmp2Path = "", std::int64_t missing = 0) {
    test::writeFileBytes(folder.file("x.tmp1"), tmp1);
    const std::string tmp2Name = tmp2Path.empty() ? folder.file("x.tmp2") : tmp2Path;
    if (tmp2Path.empty()) test::writeFileBytes(tmp2Name, {});
    JobState& job = ctx.job;
    ASSERT_TRUE(job.tmp1Handle.openExisting(folder.file("x.tmp1"), FileAccess::ReadWrite, true));
    ASSERT_TRUE(job.tmp2Handle.openExisting(tmp2Name, FileAccess::ReadWrite, false));
    job.tmp1Handle.seek(static_cast<std::int64_t>(tmp1.size()));
    job.tmp1Pos = static_cast<std::int64_t>(tmp1.size()) + 1 + missing;
    decodeMp3Input(ctx);
    job.tmp2Handle.close();
    if (tmp2Path.empty()) tmp2 = test::readFileBytes(tmp2Name);
  }

  std::vector<std::int16_t> samples() const {
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i + 1 < tmp2.size(); i += 2) out.push_back(static_cast<std::int16_t>(sampleAt(&tmp2[i])));
    return out;
  }
};

std::int32_t largestMagnitude(const std::vector<std::int16_t>& samples) {
  std::int32_t peak = 1;
  for (std::int16_t s : samples) peak = std::max(peak, std::abs(std::int32_t{s}));
  return peak;
}

// A lame stream without its Info frame, so every frame holds audio.
Bytes encodedTone(double seconds, std::uint32_t rate, std::uint16_t channels, double amplitude = 0.5) {
  return test::encodeWithLame(test::sineTone(440.0, seconds, rate, channels, amplitude), rate, channels,
                              {"-t", "-b", "128", "--cbr"});
}

TEST(Mp3Decoding, DecodesLikeAnIndependentDecoder) {
  const Bytes mp3 = encodedTone(1.0, 44100, 2);
  ASSERT_FALSE(mp3.empty());
  test::TempFolder folder;
  test::writeFileBytes(folder.file("tone.mp3"), mp3);
  auto reference = test::decodeToPcm(folder.file("tone.mp3"));
  ASSERT_TRUE(reference.has_value());

  DecodeRun run;
  run.decode(mp3);
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_TRUE(run.host.messages.empty());
  const std::vector<std::int16_t> ours = run.samples();
  // Without an Info frame both decoders give every frame whole: the same
  // samples, up to rounding, none lost between pieces or blocks.
  ASSERT_EQ(ours.size(), reference->size());
  EXPECT_EQ(ours.size() % (1152 * 2), 0u);
  int largestDifference = 0;
  for (std::size_t i = 0; i < ours.size(); ++i)
    largestDifference = std::max(largestDifference, std::abs(ours[i] - (*reference)[i]));
  EXPECT_LE(largestDifference, 2);
  EXPECT_EQ(run.ctx.job.tmp2Pos, static_cast<std::int64_t>(run.tmp2.size()) + 1);
  EXPECT_EQ(run.ctx.job.peakLevel, largestMagnitude(ours));
  EXPECT_NEAR(run.ctx.job.peakLevel, largestMagnitude(*reference), 200);
  EXPECT_EQ(run.ctx.job.tmp1Pos, run.ctx.job.tmp1End);
}

TEST(Mp3Decoding, MeasuresThePeakOverAllChannels) {
  // Left silent, right loud: a peak taken from one channel only would be 1.
  std::vector<std::int16_t> rightOnly = test::sineTone(1000.0, 0.5, 44100, 2, 0.6);
  for (std::size_t i = 0; i < rightOnly.size(); i += 2) rightOnly[i] = 0;
  // A full-scale square wave decodes with overshoot that clips at both rails.
  std::vector<std::int16_t> square(22050);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 32767 : -32768;
  // Headers with the reserved layer, handed over as they are: no decoder can use them.
  Bytes undecodable;
  for (int i = 0; i < 20; ++i)
    test::append(undecodable, test::syntheticFrame(test::frameHeader(test::kVersion1, test::kLayerReserved, 9, 0, false, 0), 417));
  struct Row {
    const char* name;
    Bytes mp3;
    std::int32_t lowest, highest;
    bool pcm = true;
  } rows[] = {
      {"right channel only", test::encodeWithLame(rightOnly, 44100, 2, {"-t", "-m", "s", "-b", "192"}), 15000, 32768},
      {"clipped square wave", test::encodeWithLame(square, 22050, 1, {"-t", "-b", "64"}), 32768, 32768},
      {"silence", test::encodeWithLame(std::vector<std::int16_t>(44100, 0), 44100, 1, {"-t", "-b", "64"}), 1, 1},
      {"undecodable frames: no PCM, no message", undecodable, 1, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DecodeRun run;
    run.decode(row.mp3);
    EXPECT_EQ(run.tmp2.size() > 0, row.pcm);
    EXPECT_EQ(run.ctx.job.tmp2Pos, static_cast<std::int64_t>(run.tmp2.size()) + 1);
    EXPECT_EQ(run.ctx.job.peakLevel, largestMagnitude(run.samples()));
    EXPECT_GE(run.ctx.job.peakLevel, row.lowest);
    EXPECT_LE(run.ctx.job.peakLevel, row.highest);
    EXPECT_FALSE(run.ctx.job.jobFailed);
    EXPECT_TRUE(run.host.messages.empty());
  }
}

TEST(Mp3Decoding, CancelKeepsOnlyTheNextBlockTheDecoderDelivers) {
  DecodeRun run;
  run.host.cancelOnPump = 1;
  run.decode(encodedTone(1.0, 44100, 2));
  EXPECT_TRUE(run.ctx.job.jobCancelled);
  EXPECT_GT(run.tmp2.size(), 0u);
  EXPECT_LE(run.tmp2.size(), 8192u);
  EXPECT_EQ(run.progress.last(), 101);
  EXPECT_TRUE(run.host.messages.empty());
}

TEST(Mp3Decoding, FileFailuresAreReportedOnceAndEndTheStage) {
  const Bytes tone = encodedTone(2.0, 44100, 2);
  ASSERT_GT(tone.size(), 16384u);
  struct Row {
    const char* name;
    std::string tmp2Path;
    std::int64_t missing;
    std::string message;
    std::int64_t tmp1Read;  // where reading tmp1 stopped
  } rows[] = {
      {"tmp2 cannot be written", "/dev/full", 0, "Error: Cannot write file.", 16385},
      {"tmp1 ends before its end: the second piece falls short", "", 20000, "Error: Cannot read file.", 32769},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DecodeRun run;
    run.decode(tone, row.tmp2Path, row.missing);
    EXPECT_TRUE(run.ctx.job.jobFailed);
    EXPECT_EQ(run.host.texts(), std::vector<std::string>{row.message});
    EXPECT_EQ(run.progress.last(), 101);
    EXPECT_EQ(run.ctx.job.tmp1Pos, row.tmp1Read);
  }
}

TEST(Mp3Decoding, AnMp3JobEndsInACompleteSetOrFailsForWantOfAudio) {
  // Whole 22 050 Hz mono headers among filler, none followed by another.
  Bytes strays(5000, 0x20);
  for (std::size_t at = 100; at + 4 < strays.size(); at += 700) {
    const auto header = test::frameHeader(test::kVersion2, test::kLayer3, 8, 0, false, test::kModeMono);
    std::copy(header.begin(), header.end(), strays.begin() + static_cast<long>(at));
  }
  struct Row {
    const char* name;
    Bytes input;
    bool audio;
  } rows[] = {
      {"a stereo tone", encodedTone(2.0, 44100, 2), true},
      {"no frames", Bytes(5000, 0x20), false},
      {"stray headers only", strays, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::JobFixture f;
    const std::string path = f.setInput("in.mp3", row.input);
    f.run();
    EXPECT_EQ(f.ctx.job.jobFailed, !row.audio);
    EXPECT_FALSE(f.ctx.job.jobCancelled);
    if (row.audio) {
      EXPECT_TRUE(f.host.messages.empty());
      EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1s.swf"}));
      EXPECT_EQ(f.read.last(), 101);
      EXPECT_EQ(f.decode.last(), 101);
      EXPECT_EQ(f.ctx.job.sampleRate, 44100);
      EXPECT_TRUE(f.ctx.job.inputStereo);
    } else {
      EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: No audio data found in input file \"" + path + "\"."});
      EXPECT_TRUE(f.output.entries().empty());
      EXPECT_EQ(f.numberOnDisk(), 1);
    }
  }
}

}  // namespace
}  // namespace sonaflux
