#include "audio/wav_reader.h"

#include <gtest/gtest.h>

#include <tuple>

#include "audio/riff_chunks.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::makeRiff;
using Bytes = std::vector<std::uint8_t>;

Bytes fmt(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  return test::fmtChunkBody(format, channels, rate, bits);
}

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

TEST(WavReader, AcceptsEightAndSixteenBitPcmOnlyAndWritesSixteenBitSamples) {
  Bytes big(40002);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes list = {'I', 'N', 'F', 'O', 'a', 'b', 'c', 'd'}, odd = {'a', 'b', 'c'};
  const Bytes s16 = pcm16({0, 1, -1, 32767, -32768, 1234, -4321, 5});
  const Bytes m8k = fmt(1, 1, 8000, 16), p3 = pcm16({100, -200, 300}), s78 = pcm16({7, 8});
  const char* const unsupported = "Error: This type of WAV file is not supported. File must be 8 or 16 bit PCM.";
  const struct {
    const char* name;
    Bytes wav, tmp2;
    std::int32_t rate;
    bool stereo;
    std::int32_t peak;
    const char* message = nullptr;  // refused with it
  } rows[] = {
      {"16-bit stereo unchanged", makeRiff({{"fmt ", fmt(1, 2, 44100, 16)}, {"data", s16}}), s16, 44100, true, 32768},
      // unsigned around 128, scaled by 256
      {"8-bit mono", makeRiff({{"fmt ", fmt(1, 1, 22050, 8)}, {"data", {128, 255, 0, 129}}}),
       pcm16({0, 32512, -32768, 256}), 22050, false, 32768},
      {"ids in any case, other chunks skipped",
       makeRiff({{"LIST", list}, {"Fmt ", m8k}, {"dAtA", p3}, {"list", list}}, "riff", "wave"), p3, 8000, false, 300},
      {"odd, padded", makeRiff({{"fmt ", m8k}, {"LIST", odd, 0xFFFFFFFF, true}, {"data", s78}}), s78, 8000, false, 8},
      {"odd, no pad", makeRiff({{"fmt ", m8k}, {"LIST", odd, 0xFFFFFFFF, false}, {"data", s78}}), s78, 8000, false, 8},
      {"large chunk read in blocks; the first whole data chunk ends the walk",
       makeRiff({{"fmt ", fmt(1, 2, 44100, 16)}, {"data", big}, {"data", pcm16({1, 2, 3})}}), big, 44100, true, 32632},
      {"data longer than the file keeps the whole samples read",
       makeRiff({{"fmt ", m8k}, {"data", {1, 0, 2, 0, 3}, 100000, false}}), pcm16({1, 2}), 8000, false, 2},
      {"chunk size past the end ends the walk",
       makeRiff({{"fmt ", m8k}, {"JUNK", {1, 2}, 0xFFFFFFF0, false}, {"data", pcm16({9, 10})}}),
       {},
       8000,
       false,
       1},
      {"too short to hold anything", {'R', 'I', 'F'}, {}, 0, true, 1},
      {"no data chunk", makeRiff({{"fmt ", m8k}}), {}, 8000, false, 1},
      {"empty data chunk", makeRiff({{"fmt ", m8k}, {"data", {}}}), {}, 8000, false, 1},
      {"not RIFF",
       makeRiff({}, "RIFX"),
       {},
       0,
       true,
       1,
       "Error: This type of WAV file is not supported. File must be 8 or 16bit PCM."},
      {"not WAVE", makeRiff({}, "RIFF", "AVI "), {}, 0, true, 1, unsupported},
      {"24-bit", makeRiff({{"fmt ", fmt(1, 2, 44100, 24)}, {"data", {0, 0, 0}}}), {}, 0, true, 1, unsupported},
      {"12-bit", makeRiff({{"fmt ", fmt(1, 1, 8000, 12)}, {"data", {0, 0}}}), {}, 0, true, 1, unsupported},
      {"float", makeRiff({{"fmt ", fmt(3, 1, 44100, 32)}, {"data", {0, 0, 0, 0}}}), {}, 0, true, 1, unsupported},
      {"extensible", makeRiff({{"fmt ", fmt(0xFFFE, 2, 44100, 16)}}), {}, 0, true, 1, unsupported},
      {"no channels", makeRiff({{"fmt ", fmt(1, 0, 8000, 16)}, {"data", {0, 0}}}), {}, 0, true, 1, unsupported},
      {"three channels", makeRiff({{"fmt ", fmt(1, 3, 44100, 16)}}), {}, 0, true, 1, unsupported},
      // the previous job's 16 bits must not stand in for the missing format
      {"data before fmt", makeRiff({{"data", pcm16({1, 2})}, {"fmt ", m8k}}), {}, 0, true, 1, unsupported},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WavRun run(row.wav);
    EXPECT_EQ(run.ctx.job.jobFailed, row.message != nullptr);
    EXPECT_EQ(run.host.texts(), row.message ? std::vector<std::string>{row.message} : std::vector<std::string>{});
    EXPECT_EQ(run.tmp2, row.tmp2);
    if (row.message) continue;
    const JobState& job = run.ctx.job;
    EXPECT_EQ(std::tuple(job.tmp2Pos, job.sampleRate, job.inputStereo, job.peakLevel),
              std::tuple(std::int64_t(row.tmp2.size()) + 1, row.rate, row.stereo, row.peak));
  }
}

TEST(WavReader, EveryPrefixOfAFileEndsCleanly) {
  Bytes wav = makeRiff({{"LIST", {'a', 'b', 'c'}}, {"fmt ", fmt(1, 2, 11025, 16)}, {"data", pcm16({1, -2, 3, -4})}});
  for (std::size_t n = 0; n <= wav.size(); ++n) {
    WavRun run(Bytes(wav.begin(), wav.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_TRUE(run.tmp2.size() <= 8 && run.tmp2.size() % 2 == 0 && run.host.messages.size() <= 1) << n;
  }
}

TEST(WavReader, CancelStopsAfterTheBlockInHand) {
  // The pump after the first 20 000-byte data block cancels.
  WavRun run(makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", Bytes(60000, 0x11)}}), 2);
  EXPECT_TRUE(run.ctx.job.jobFailed && run.host.messages.empty());
  EXPECT_EQ(run.ctx.job.tmp2Pos, 20001);
}

TEST(WavReader, CancelIsSeenWhileWalkingThroughZeros) {
  // Zeros read as empty chunks, eight bytes each; pump 1 follows the fmt chunk.
  Bytes wav = makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}});
  wav.resize(wav.size() + 1000000);
  WavRun run(wav, 2);
  EXPECT_TRUE(run.ctx.job.jobFailed && run.host.messages.empty());
  EXPECT_LT(run.ctx.job.inputPos, 2 * 65536);
}

// The stage reads whole headers (zeros past the end of the file); the parsers themselves take spans
// of any length and refuse a cut one without reading past it.
TEST(RiffChunks, RefuseCutSpans) {
  const Bytes pcm = fmt(1, 2, 44100, 16), riff = makeRiff({{"data", {1, 2}}});
  EXPECT_TRUE(parseFmtChunk(pcm).value);
  for (std::size_t n = 0; n < pcm.size(); ++n) EXPECT_FALSE(parseFmtChunk(std::span(pcm).first(n)).value) << n;
  EXPECT_TRUE(parseRiffHeader(riff).value);
  EXPECT_FALSE(parseRiffHeader(std::span(riff).first(11)).value);
  EXPECT_TRUE(parseChunkHeader(std::span(riff).subspan(12, 8)).value);
  EXPECT_FALSE(parseChunkHeader(std::span(riff).subspan(12, 7)).value);
}

}  // namespace
}  // namespace sonaflux
