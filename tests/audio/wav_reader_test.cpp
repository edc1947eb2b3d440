#include "audio/wav_reader.h"

#include <gtest/gtest.h>

#include "core/byte_order.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::RawChunk;
using test::RecordingHost;
using test::TempFolder;

const char* const kUnsupported = "Error: This type of WAV file is not supported. File must be 8 or 16 bit PCM.";

// Runs the converter over the bytes of a WAV file, with tmp2 in a temp folder.
struct WavRun {
  TempFolder folder;
  RecordingHost host;
  AppContext ctx{host};
  std::vector<std::uint8_t> tmp2;

  explicit WavRun(const std::vector<std::uint8_t>& wav, int previousBits = 0) {
    test::writeFileBytes(folder.file("in.wav"), wav);
    test::writeFileBytes(folder.file("x.tmp2"), {});
    JobState& job = ctx.job;
    EXPECT_TRUE(job.inputHandle.openExisting(folder.file("in.wav"), FileAccess::Read, true));
    EXPECT_TRUE(job.tmp2Handle.openExisting(folder.file("x.tmp2"), FileAccess::ReadWrite, true));
    job.inputSize = static_cast<std::int64_t>(wav.size());
    job.inputPos = 1;
    job.wavBitsPerSample = previousBits;
    readWavInput(ctx);
    job.tmp2Handle.close();
    tmp2 = test::readFileBytes(folder.file("x.tmp2"));
  }
};

std::vector<std::uint8_t> pcm16(std::initializer_list<std::int16_t> samples) {
  return test::samplesToBytes(std::vector<std::int16_t>(samples));
}

TEST(WavReader, ReadsSixteenBitStereoUnchanged) {
  std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768, 1234, -4321, 5};
  WavRun run(test::makePcmWav(44100, 2, 16, samples));
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.tmp2, test::samplesToBytes(samples));
  EXPECT_EQ(run.ctx.job.tmp2Pos, 17);
  EXPECT_EQ(run.ctx.job.sampleRate, 44100);
  EXPECT_TRUE(run.ctx.job.inputStereo);
  EXPECT_EQ(run.ctx.job.peakLevel, 32768);
  EXPECT_TRUE(run.host.messages.empty());
}

TEST(WavReader, TurnsEightBitSamplesIntoSixteenBit) {
  std::vector<std::uint8_t> data = {128, 255, 0, 129};
  WavRun run(test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 22050, 8)}, {"data", data}}));
  EXPECT_EQ(run.tmp2, pcm16({0, 32512, -32768, 256}));
  EXPECT_EQ(run.ctx.job.peakLevel, 32768);
  EXPECT_EQ(run.ctx.job.sampleRate, 22050);
  EXPECT_FALSE(run.ctx.job.inputStereo);
  EXPECT_EQ(run.ctx.job.wavBitsPerSample, 8);
}

TEST(WavReader, MatchesIdentifiersInAnyCaseAndSkipsOtherChunks) {
  std::vector<std::uint8_t> data = pcm16({100, -200, 300});
  std::vector<std::uint8_t> list = {'I', 'N', 'F', 'O', 'a', 'b', 'c', 'd'};
  WavRun run(test::makeRiff(
      {{"LIST", list}, {"Fmt ", test::fmtChunkBody(1, 1, 8000, 16)}, {"dAtA", data}, {"list", list}}, "riff", "wave"));
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.tmp2, data);
  EXPECT_EQ(run.ctx.job.peakLevel, 300);
}

TEST(WavReader, SkipsThePadByteAfterAnOddChunk) {
  std::vector<std::uint8_t> data = pcm16({7, 8});
  std::vector<std::uint8_t> odd = {'a', 'b', 'c'};
  // With the pad byte (standard RIFF) and without it (files written carelessly).
  for (bool pad : {true, false}) {
    WavRun run(test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)},
                               {"LIST", odd, 0xFFFFFFFF, pad},
                               {"data", data}}));
    EXPECT_EQ(run.tmp2, data) << "pad " << pad;
  }
}

TEST(WavReader, ReadsLargeChunksInBlocksAndAppendsEveryDataChunk) {
  std::vector<std::uint8_t> big(40002);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> second = pcm16({1, 2, 3});
  WavRun run(test::makeRiff({{"fmt ", test::fmtChunkBody(1, 2, 44100, 16)}, {"data", big}, {"data", second}}));
  std::vector<std::uint8_t> expected = big;
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(run.tmp2, expected);
  EXPECT_EQ(run.ctx.job.tmp2Pos, 40002 + 6 + 1);
}

TEST(WavReader, RefusesWhatIsNotEightOrSixteenBitPcm) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> wav;
    const char* message;
  } rows[] = {
      {"not RIFF", test::makeRiff({}, "RIFX"),
       "Error: This type of WAV file is not supported. File must be 8 or 16bit PCM."},
      {"not WAVE", test::makeRiff({}, "RIFF", "AVI "), kUnsupported},
      {"24-bit", test::makeRiff({{"fmt ", test::fmtChunkBody(1, 2, 44100, 24)}, {"data", {0, 0, 0}}}), kUnsupported},
      {"float", test::makeRiff({{"fmt ", test::fmtChunkBody(3, 1, 44100, 32)}, {"data", {0, 0, 0, 0}}}), kUnsupported},
      {"extensible", test::makeRiff({{"fmt ", test::fmtChunkBody(0xFFFE, 2, 44100, 16)}}), kUnsupported},
      {"three channels", test::makeRiff({{"fmt ", test::fmtChunkBody(1, 3, 44100, 16)}}), kUnsupported},
      {"data before fmt", test::makeRiff({{"data", pcm16({1, 2})}, {"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}}),
       kUnsupported},
  };
  for (const auto& row : rows) {
    WavRun run(row.wav, 16);
    EXPECT_TRUE(run.ctx.job.jobFailed) << row.name;
    EXPECT_EQ(run.host.texts(), std::vector<std::string>{row.message}) << row.name;
    EXPECT_TRUE(run.tmp2.empty()) << row.name;
  }
}

TEST(WavReader, TinyFilesAndFilesWithoutDataGiveNothingQuietly) {
  for (std::vector<std::uint8_t> wav : {std::vector<std::uint8_t>{'R', 'I', 'F'},
                                        test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}}),
                                        test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}, {"data", {}}})}) {
    WavRun run(wav);
    EXPECT_FALSE(run.ctx.job.jobFailed);
    EXPECT_TRUE(run.host.messages.empty());
    EXPECT_EQ(run.ctx.job.tmp2Pos, 1);
  }
}

TEST(WavReader, DataChunkLongerThanTheFileKeepsOnlyWholeSamplesRead) {
  std::vector<std::uint8_t> wav = test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)},
                                                  {"data", {1, 0, 2, 0, 3}, 100000, false}});
  WavRun run(wav);
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.tmp2, pcm16({1, 2}));
  EXPECT_EQ(run.ctx.job.tmp2Pos, 5);
}

TEST(WavReader, ChunkSizeRunningPastTheEndEndsTheWalk) {
  std::vector<std::uint8_t> data = pcm16({9, 10});
  std::vector<std::uint8_t> wav = test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)},
                                                  {"data", data},
                                                  {"JUNK", {1, 2}, 0xFFFFFFF0, false}});
  WavRun run(wav);
  EXPECT_FALSE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.tmp2, data);
}

TEST(WavReader, EveryPrefixOfAFileEndsCleanly) {
  std::vector<std::uint8_t> wav = test::makeRiff(
      {{"LIST", {'a', 'b', 'c'}}, {"fmt ", test::fmtChunkBody(1, 2, 11025, 16)}, {"data", pcm16({1, -2, 3, -4})}});
  for (std::size_t n = 0; n <= wav.size(); ++n) {
    WavRun run(std::vector<std::uint8_t>(wav.begin(), wav.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_LE(run.tmp2.size(), 8u) << n;
    EXPECT_EQ(run.tmp2.size() % 2, 0u) << n;
    EXPECT_LE(run.host.messages.size(), 1u) << n;
  }
}

TEST(WavReader, CancelStopsAfterTheBlockInHand) {
  std::vector<std::uint8_t> big(60000, 0x11);
  TempFolder folder;
  std::vector<std::uint8_t> wav = test::makeRiff({{"fmt ", test::fmtChunkBody(1, 1, 8000, 16)}, {"data", big}});
  test::writeFileBytes(folder.file("in.wav"), wav);
  test::writeFileBytes(folder.file("x.tmp2"), {});
  RecordingHost host;
  AppContext ctx(host);
  ASSERT_TRUE(ctx.job.inputHandle.openExisting(folder.file("in.wav"), FileAccess::Read, true));
  ASSERT_TRUE(ctx.job.tmp2Handle.openExisting(folder.file("x.tmp2"), FileAccess::ReadWrite, true));
  ctx.job.inputSize = static_cast<std::int64_t>(wav.size());
  host.cancelTarget = &ctx;
  ctx.job.jobRunning = true;  // a stage runs only inside a job
  host.cancelOnPump = 2;  // the pump after the first data block
  readWavInput(ctx);
  EXPECT_TRUE(ctx.job.jobFailed);
  EXPECT_EQ(ctx.job.tmp2Pos, 20001);
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace sonaflux
