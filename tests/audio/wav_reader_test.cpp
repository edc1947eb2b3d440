#include "audio/wav_reader.h"

#include <gtest/gtest.h>

#include "audio/riff_chunks.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::makeRiff;
using Bytes = std::vector<std::uint8_t>;

const char* const kUnsupported = "Error: This type of WAV file is not supported. File must be 8 or 16 bit PCM.";

Bytes fmt(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  return test::fmtChunkBody(format, channels, rate, bits);
}

Bytes pcm16(std::initializer_list<std::int16_t> samples) {
  return test::samplesToBytes(std::vector<std::int16_t>(samples));
}

// Runs the stage over the bytes of a WAV file.
struct WavRun : test::StageFixture {
  Bytes tmp2;

  explicit WavRun(const Bytes& wav, int previousBits = 0, long cancelOnPump = 0) {
    JobState& job = ctx.job;
    openFile(job.inputHandle, "in.wav", wav);
    openFile(job.tmp2Handle, "x.tmp2", {});
    job.inputSize = static_cast<std::int64_t>(wav.size());
    job.wavBitsPerSample = previousBits;
    host.cancelOnPump = cancelOnPump;
    readWavInput(ctx);
    job.tmp2Handle.close();
    tmp2 = test::readFileBytes(folder.file("x.tmp2"));
  }
};

TEST(WavReader, AcceptsPcmAndWritesItsSamplesAsSixteenBit) {
  Bytes big(40002);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes list = {'I', 'N', 'F', 'O', 'a', 'b', 'c', 'd'};
  const Bytes odd = {'a', 'b', 'c'};
  const Bytes s16 = pcm16({0, 1, -1, 32767, -32768, 1234, -4321, 5});
  const struct {
    const char* name;
    Bytes wav;
    Bytes tmp2;
    std::int32_t rate;
    bool stereo;
    std::int32_t peak;
  } rows[] = {
      {"16-bit stereo unchanged", makeRiff({{"fmt ", fmt(1, 2, 44100, 16)}, {"data", s16}}), s16, 44100, true, 32768},
      // unsigned around 128, scaled by 256
      {"8-bit mono", makeRiff({{"fmt ", fmt(1, 1, 22050, 8)}, {"data", {128, 255, 0, 129}}}),
       pcm16({0, 32512, -32768, 256}), 22050, false, 32768},
      {"ids in any case, other chunks skipped",
       makeRiff({{"LIST", list}, {"Fmt ", fmt(1, 1, 8000, 16)}, {"dAtA", pcm16({100, -200, 300})}, {"list", list}},
                "riff", "wave"),
       pcm16({100, -200, 300}), 8000, false, 300},
      {"odd chunk with its pad byte",
       makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"LIST", odd, 0xFFFFFFFF, true}, {"data", pcm16({7, 8})}}),
       pcm16({7, 8}), 8000, false, 8},
      {"odd chunk without a pad byte",
       makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"LIST", odd, 0xFFFFFFFF, false}, {"data", pcm16({7, 8})}}),
       pcm16({7, 8}), 8000, false, 8},
      {"large chunk read in blocks, every data chunk appended",
       makeRiff({{"fmt ", fmt(1, 2, 44100, 16)}, {"data", big}, {"data", pcm16({1, 2, 3})}}),
       test::concat({big, pcm16({1, 2, 3})}), 44100, true, 32632},
      {"data longer than the file keeps the whole samples read",
       makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", {1, 0, 2, 0, 3}, 100000, false}}), pcm16({1, 2}), 8000,
       false, 2},
      {"chunk size past the end ends the walk",
       makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", pcm16({9, 10})}, {"JUNK", {1, 2}, 0xFFFFFFF0, false}}),
       pcm16({9, 10}), 8000, false, 10},
      {"too short to hold anything", {'R', 'I', 'F'}, {}, 0, true, 1},
      {"no data chunk", makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}}), {}, 8000, false, 1},
      {"empty data chunk", makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", {}}}), {}, 8000, false, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WavRun run(row.wav);
    EXPECT_FALSE(run.ctx.job.jobFailed);
    EXPECT_TRUE(run.host.messages.empty());
    EXPECT_EQ(run.tmp2, row.tmp2);
    EXPECT_EQ(run.ctx.job.tmp2Pos, static_cast<std::int64_t>(row.tmp2.size()) + 1);
    EXPECT_EQ(run.ctx.job.sampleRate, row.rate);
    EXPECT_EQ(run.ctx.job.inputStereo, row.stereo);
    EXPECT_EQ(run.ctx.job.peakLevel, row.peak);
  }
}

TEST(WavReader, RefusesWhatIsNotEightOrSixteenBitPcm) {
  const struct {
    const char* name;
    Bytes wav;
    const char* message;
  } rows[] = {
      {"not RIFF", makeRiff({}, "RIFX"), "Error: This type of WAV file is not supported. File must be 8 or 16bit PCM."},
      {"not WAVE", makeRiff({}, "RIFF", "AVI "), kUnsupported},
      {"24-bit", makeRiff({{"fmt ", fmt(1, 2, 44100, 24)}, {"data", {0, 0, 0}}}), kUnsupported},
      {"float", makeRiff({{"fmt ", fmt(3, 1, 44100, 32)}, {"data", {0, 0, 0, 0}}}), kUnsupported},
      {"extensible", makeRiff({{"fmt ", fmt(0xFFFE, 2, 44100, 16)}}), kUnsupported},
      {"three channels", makeRiff({{"fmt ", fmt(1, 3, 44100, 16)}}), kUnsupported},
      // a previous job's 16 bits must not stand in for the missing format
      {"data before fmt", makeRiff({{"data", pcm16({1, 2})}, {"fmt ", fmt(1, 1, 8000, 16)}}), kUnsupported},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WavRun run(row.wav, 16);
    EXPECT_TRUE(run.ctx.job.jobFailed);
    EXPECT_EQ(run.host.texts(), std::vector<std::string>{row.message});
    EXPECT_TRUE(run.tmp2.empty());
  }
}

TEST(WavReader, EveryPrefixOfAFileEndsCleanly) {
  Bytes wav = makeRiff({{"LIST", {'a', 'b', 'c'}}, {"fmt ", fmt(1, 2, 11025, 16)}, {"data", pcm16({1, -2, 3, -4})}});
  for (std::size_t n = 0; n <= wav.size(); ++n) {
    WavRun run(Bytes(wav.begin(), wav.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_LE(run.tmp2.size(), 8u) << n;
    EXPECT_EQ(run.tmp2.size() % 2, 0u) << n;
    EXPECT_LE(run.host.messages.size(), 1u) << n;
  }
}

TEST(WavReader, CancelStopsAfterTheBlockInHand) {
  // The pump after the first 20 000-byte data block cancels.
  WavRun run(makeRiff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", Bytes(60000, 0x11)}}), 0, 2);
  EXPECT_TRUE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.ctx.job.tmp2Pos, 20001);
  EXPECT_TRUE(run.host.messages.empty());
}

TEST(RiffChunks, NameTheFieldThatFails) {
  const Bytes pcm = fmt(1, 2, 44100, 16);
  const struct {
    const char* name;
    Bytes bytes;
    const char* failedField;  // nullptr: accepted
  } fmtRows[] = {
      {"PCM", pcm, nullptr},
      {"empty", {}, "format tag"},
      {"ADPCM", fmt(2, 1, 8000, 4), "format tag"},
      {"no channels", fmt(1, 0, 8000, 16), "channels"},
      {"cut inside the rate", Bytes(pcm.begin(), pcm.begin() + 6), "sample rate"},
      {"cut before the bits", Bytes(pcm.begin(), pcm.begin() + 15), "bits per sample"},
      {"12-bit", fmt(1, 1, 8000, 12), "bits per sample"},
  };
  for (const auto& row : fmtRows) {
    SCOPED_TRACE(row.name);
    Parsed<PcmFormat> parsed = parseFmtChunk(row.bytes);
    EXPECT_EQ(parsed.value.has_value(), row.failedField == nullptr);
    EXPECT_STREQ(parsed.failedField, row.failedField);
  }
  Parsed<PcmFormat> stereo = parseFmtChunk(pcm);
  ASSERT_TRUE(stereo.value);
  EXPECT_EQ(stereo.value->channels, 2);
  EXPECT_EQ(stereo.value->sampleRate, 44100u);
  EXPECT_EQ(stereo.value->bitsPerSample, 16);

  // "data", 0x01020304 low byte first
  Parsed<ChunkHeader> chunk = parseChunkHeader(Bytes{'d', 'a', 'T', 'a', 4, 3, 2, 1});
  ASSERT_TRUE(chunk.value);
  EXPECT_EQ(chunk.value->id, "DATA");
  EXPECT_EQ(chunk.value->size, 0x01020304u);
  EXPECT_STREQ(parseChunkHeader(Bytes{'d', 'a', 't', 'a', 4, 3, 2}).failedField, "chunk size");

  EXPECT_EQ(parseRiffHeader(makeRiff({}, "riff", "wave")).value, 4u);
  EXPECT_STREQ(parseRiffHeader(makeRiff({}, "RIFX")).failedField, kRiffIdField);
  EXPECT_STREQ(parseRiffHeader(makeRiff({}, "RIFF", "AVI ")).failedField, "WAVE id");
}

}  // namespace
}  // namespace sonaflux
