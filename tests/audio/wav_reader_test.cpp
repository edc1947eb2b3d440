#include "audio/wav_reader.h"

#include <gtest/gtest.h>

#include "tests/support/stage_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::makeRiff;
using Bytes = std::vector<std::uint8_t>;

const auto fmt = &test::fmtChunkBody;

Bytes pcm16(std::initializer_list<std::int16_t> samples) { return test::samplesToBytes(samples); }

// The stage over the bytes of a WAV file, after a job that read 16-bit samples.
struct WavRun : test::StageFixture {
  Bytes tmp2;

  explicit WavRun(const Bytes& wav, long cancelOnPump = 0) {
    JobState& job = ctx.job;
    openFile(job.inputHandle, "in.wav", wav);
    openFile(job.tmp2Handle, "x.tmp2", {});
    job.inputSize = static_cast<std::int64_t>(wav.size());
    job.wavBitsPerSample = 16;
    host.cancelOnPump = cancelOnPump;
    readWavInput(ctx);
    job.tmp2Handle.close();
    tmp2 = test::readFileBytes(folder.file("x.tmp2"));
  }
};

Bytes counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

const Bytes kStereo = fmt(1, 2, 44100, 16), kMono = fmt(1, 1, 8000, 16), kList = {'I', 'N', 'F', 'O', 'a', 'b', 'c'};
const Bytes kBig = counting(40002);

struct ReadRow {
  const char* name;
  Bytes wav;
  Bytes tmp2;
  std::int32_t rate;
  bool stereo;
  std::int32_t peak;
};

// clang-format off
const ReadRow kReadRows[] = {
    {.name = "Mono8Bit", .wav = makeRiff({{"fmt ", fmt(1, 1, 22050, 8)}, {"data", {128, 255, 0, 1}}}),
     .tmp2 = pcm16({0, 32512, -32768, -32512}), .rate = 22050, .stereo = false, .peak = 32768},
    {.name = "IdsInAnyCaseOtherChunksSkipped",
     .wav = makeRiff({{"LIST", kList}, {"Fmt ", kMono}, {"dAtA", pcm16({1, -300})}, {"list", kList}}, "riff", "wave"),
     .tmp2 = pcm16({1, -300}), .rate = 8000, .stereo = false, .peak = 300},
    {.name = "OddChunkPadded", .wav = makeRiff({{"fmt ", kMono}, {"LIST", kList, 0xFFFFFFFF, true}, {"data", {7, 0}}}),
     .tmp2 = {7, 0}, .rate = 8000, .stereo = false, .peak = 7},
    {.name = "OddChunkBare", .wav = makeRiff({{"fmt ", kMono}, {"LIST", kList, 0xFFFFFFFF, false}, {"data", {7, 0}}}),
     .tmp2 = {7, 0}, .rate = 8000, .stereo = false, .peak = 7},
    {.name = "LargeChunkInBlocksAndTheFirstDataChunkEndsTheWalk",
     .wav = makeRiff({{"fmt ", kStereo}, {"data", kBig}, {"data", pcm16({1, 2})}}), .tmp2 = kBig,
     .rate = 44100, .stereo = true, .peak = 32632},
    {.name = "DataLongerThanTheFileKeepsTheWholeSamples",
     .wav = makeRiff({{"fmt ", kMono}, {"data", {1, 0, 2, 0, 3}, 100000, false}}), .tmp2 = pcm16({1, 2}),
     .rate = 8000, .stereo = false, .peak = 2},
    {.name = "ChunkPastTheEndEndsTheWalk",
     .wav = makeRiff({{"fmt ", kMono}, {"JUNK", {1, 2}, 0xFFFFFFF0, false}, {"data", pcm16({9, 10})}}), .tmp2 = {},
     .rate = 8000, .stereo = false, .peak = 1},
};
// clang-format on

class WavReader : public testing::TestWithParam<ReadRow> {};

TEST_P(WavReader, WritesSixteenBitSamplesAndMeasuresThePeak) {
  const ReadRow& row = GetParam();
  WavRun run(row.wav);
  EXPECT_TRUE(run.host.messages.empty());
  EXPECT_EQ(run.tmp2, row.tmp2);
  EXPECT_EQ(run.ctx.job.tmp2Pos, std::int64_t(row.tmp2.size()) + 1);
  EXPECT_EQ(run.ctx.job.sampleRate, row.rate);
  EXPECT_EQ(run.ctx.job.inputStereo, row.stereo);
  EXPECT_EQ(run.ctx.job.peakLevel, row.peak);
}

INSTANTIATE_TEST_SUITE_P(Files, WavReader, testing::ValuesIn(kReadRows),
                         [](const auto& info) { return std::string(info.param.name); });

const char* const kUnsupported = "Error: This type of WAV file is not supported. File must be 8 or 16 bit PCM.";

struct RefusedRow {
  const char* name;
  Bytes wav;
  const char* message = kUnsupported;
};

// clang-format off
const RefusedRow kRefusedRows[] = {
    {.name = "NotRiff", .wav = makeRiff({}, "RIFX"),
     .message = "Error: This type of WAV file is not supported. File must be 8 or 16bit PCM."},
    {.name = "NotWave", .wav = makeRiff({}, "RIFF", "AVI ")},
    {.name = "Bits24", .wav = makeRiff({{"fmt ", fmt(1, 2, 44100, 24)}, {"data", {0, 0, 0}}})},
    {.name = "Bits12", .wav = makeRiff({{"fmt ", fmt(1, 1, 8000, 12)}, {"data", {0, 0}}})},
    {.name = "Float", .wav = makeRiff({{"fmt ", fmt(3, 1, 44100, 32)}, {"data", {0, 0, 0, 0}}})},
    {.name = "Extensible", .wav = makeRiff({{"fmt ", fmt(0xFFFE, 2, 44100, 16)}, {"data", {0, 0}}})},
    {.name = "NoChannels", .wav = makeRiff({{"fmt ", fmt(1, 0, 8000, 16)}, {"data", {0, 0}}})},
    {.name = "ThreeChannels", .wav = makeRiff({{"fmt ", fmt(1, 3, 44100, 16)}, {"data", {0, 0}}})},
    // The previous job's 16 bits must not stand in for the missing format.
    {.name = "DataBeforeFmt", .wav = makeRiff({{"data", pcm16({1, 2})}, {"fmt ", kMono}})},
};
// clang-format on

class WavReaderRefuses : public testing::TestWithParam<RefusedRow> {};

TEST_P(WavReaderRefuses, WhatIsNotEightOrSixteenBitPcm) {
  WavRun run(GetParam().wav);
  EXPECT_TRUE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.host.texts(), std::vector<std::string>{GetParam().message});
  EXPECT_TRUE(run.tmp2.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, WavReaderRefuses, testing::ValuesIn(kRefusedRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WavReaderStops, EveryPrefixOfAFileEndsCleanly) {
  Bytes wav = makeRiff({{"LIST", {'a', 'b', 'c'}}, {"fmt ", fmt(1, 2, 11025, 16)}, {"data", pcm16({1, -2, 3, -4})}});
  for (std::size_t n = 0; n <= wav.size(); ++n) {
    WavRun run(Bytes(wav.begin(), wav.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_TRUE(run.tmp2.size() <= 8 && run.tmp2.size() % 2 == 0 && run.host.messages.size() <= 1) << n;
  }
}

TEST(WavReaderStops, CancelStopsAfterTheBlockInHand) {
  // The pump after the first 20 000-byte data block cancels.
  WavRun run(makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", Bytes(60000, 0x11)}}), 2);
  EXPECT_TRUE(run.ctx.job.jobFailed && run.host.messages.empty());
  EXPECT_EQ(run.ctx.job.tmp2Pos, 20001);
}

TEST(WavReaderStops, CancelIsSeenWhileWalkingThroughZeros) {
  // Zeros read as empty chunks, eight bytes each; pump 1 follows the fmt chunk.
  Bytes wav = makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}});
  wav.resize(wav.size() + 1000000);
  WavRun run(wav, 2);
  EXPECT_TRUE(run.ctx.job.jobFailed && run.host.messages.empty());
  EXPECT_LT(run.ctx.job.inputPos, 2 * 65536);
}

}  // namespace
}  // namespace sonaflux
