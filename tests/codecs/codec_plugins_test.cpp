// The two codec plug-ins of the build's program folder, loaded by the program's own loader and fed
// whole signals, checked against lame, libmp3lame used directly and ffmpeg.

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "codecs/decoder_api.h"
#include "codecs/lame_enc_api.h"
#include "core/byte_order.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

struct CodecPlugins : testing::Test {
  void SetUp() override {
    ctx.paths.programFolder = programFolder();
    ASSERT_TRUE(libraries.load(ctx));
  }
  void TearDown() override { libraries.release(ctx); }

  // One channel at inputRate, as the compression stage feeds it: pieces of at most `piece` samples
  // (0: the plug-in's chunk), then the flush. nullopt (with a failure) when a call fails.
  std::optional<Bytes> encode(std::span<const std::int16_t> samples, std::uint32_t inputRate, std::uint32_t piece = 0) {
    EncoderConfig config = makeEncoderConfig(static_cast<std::int32_t>(inputRate), false);
    std::uint32_t chunk = 0, bufferSize = 0, written = 0;
    SnxBeStream stream = nullptr;
    bool ok = job.pBeInitStream(config.data(), &chunk, &bufferSize, &stream) == SNX_BE_OK;
    if (piece == 0 || piece > chunk) piece = chunk;
    Bytes buffer(bufferSize), mp3;
    for (std::size_t done = 0; ok && done < samples.size(); done += piece) {
      auto count = static_cast<std::uint32_t>(std::min<std::size_t>(piece, samples.size() - done));
      ok = job.pBeEncodeChunk(stream, count, samples.data() + done, buffer.data(), &written) == SNX_BE_OK &&
           written <= bufferSize;
      if (ok) mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    ok = ok && job.pBeDeinitStream(stream, buffer.data(), &written) == SNX_BE_OK && written <= bufferSize;
    if (stream) job.pBeCloseStream(stream);
    EXPECT_TRUE(ok) << "encoding failed";
    if (ok) mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    return ok ? std::optional(mp3) : std::nullopt;
  }

  // Feeds the stream in pieces of the given sizes (in turn, the last one repeated) into a state block
  // that starts as garbage, as the caller's may, and collects the samples.
  Samples decode(std::span<const std::uint8_t> mp3, std::vector<std::size_t> pieces = {16384}) {
    Bytes state(SNX_DECODER_STATE_SIZE, 0xA5), out(SNX_DECODER_OUTPUT_SIZE), pcm;
    job.pInitMP3(state.data());
    for (std::size_t offset = 0, turn = 0; offset < mp3.size();) {
      std::size_t count = std::min(pieces[std::min(turn++, pieces.size() - 1)], mp3.size() - offset);
      std::int32_t produced = 0;
      std::int32_t result = job.pDecodeMP3(state.data(), mp3.data() + offset, std::int32_t(count), out.data(),
                                           std::int32_t(out.size()), &produced);
      offset += count;
      // A ready block holds a frame or follows a format change; many empty ones mean a spinning loop.
      for (int empty = 0; result == SNX_DECODER_READY;) {
        if (produced < 0 || produced > std::int32_t(out.size()) || (produced == 0 && ++empty > 100)) {
          ADD_FAILURE() << "decoder answered " << produced << " bytes";
          break;
        }
        pcm.insert(pcm.end(), out.begin(), out.begin() + produced);
        result = job.pDecodeMP3(state.data(), mp3.data(), 0, out.data(), std::int32_t(out.size()), &produced);
      }
    }
    job.pExitMP3(state.data());
    Samples samples(pcm.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = std::int16_t(sampleAt(&pcm[2 * i]));
    return samples;
  }

  RecordingHost host;
  AppContext ctx{host};
  CodecLibraries libraries;
  const JobState& job = ctx.job;
};

struct RateRow {
  const char* name;
  std::uint32_t rate;
  std::uint16_t channels;
  std::uint32_t piece;  // also fed in pieces of this many samples, when given
};

class LameEncRates : public CodecPlugins, public testing::WithParamInterface<RateRow> {};

// Stereo reaches the encoder as one channel at twice the rate; its second channel carries a sound of
// its own, so that a stream made of one channel alone would not match the mix of both.
TEST_P(LameEncRates, MakeTheConstantBitrateMonoStream) {
  const RateRow& row = GetParam();
  // 0.6 s for the comparison; at the lowest rate a whole chunk, which the resampler makes 22 times longer.
  const double seconds = std::max(0.6, 33000.0 / row.rate);
  Samples input = chordSequence(seconds, row.rate, row.channels);
  const Samples other = chordSequence(seconds, row.rate * 2 / 3, 1);
  for (std::size_t i = 1; row.channels == 2 && i < input.size(); i += 2)
    input[i] = other[std::min(i / 2, other.size() - 1)];
  auto mp3 = encode(input, row.rate * row.channels);
  ASSERT_TRUE(mp3);
  if (row.piece) {
    EXPECT_EQ(encode(input, row.rate * row.channels, row.piece), mp3);
  }

  auto frames = walkLayer3Frames(*mp3);
  ASSERT_TRUE(frames) << "not a bare run of Layer III frames";
  for (const auto& f : *frames)
    ASSERT_TRUE(f.version == 2 && f.bitrate == 24 && f.sampleRate == 22050 && f.mono && f.original && !f.crc &&
                f.size == (f.padding ? 79u : 78u))
        << "frame at " << f.offset;
  const std::string text(mp3->begin(), mp3->end());
  EXPECT_TRUE(text.find("Xing") == std::string::npos && text.find("Info") == std::string::npos);
  // The flush leaves nothing behind: the frames cover the input plus the encoder's 576-sample delay.
  const double inputAt22050 = double(input.size() / row.channels) * 22050 / row.rate;
  EXPECT_GE(double(frames->size() * 576), inputAt22050 + 576);
  EXPECT_LE(double(frames->size() * 576), inputAt22050 + 4 * 576);

  TempFolder folder;
  writeFileBytes(folder.file("out.mp3"), *mp3);
  writeFileBytes(folder.file("in.wav"), makePcmWav(row.rate, row.channels, 16, input));
  auto reference = decodeToPcm(folder.file("in.wav"), 22050, 1), decoded = decodeToPcm(folder.file("out.mp3"));
  ASSERT_TRUE(reference && decoded);
  EXPECT_GT(crossCorrelate(std::span(reference->data() + 4410, 8192), *decoded, 4410, 4410 + 2000).value, 0.8);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rates, LameEncRates, testing::Values(
    RateRow{.name = "Lowest1000", .rate = 1000, .channels = 1, .piece = 0},
    RateRow{.name = "Output22050InPieces", .rate = 22050, .channels = 1, .piece = 4097},
    RateRow{.name = "Stereo44100InPieces", .rate = 44100, .channels = 2, .piece = 1000},
    RateRow{.name = "Highest1536000", .rate = 1536000, .channels = 1, .piece = 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct RecordRow {
  const char* name;
  int offset;
  std::uint32_t value;
};

class LameEncRecords : public CodecPlugins, public testing::WithParamInterface<RecordRow> {};

TEST_P(LameEncRecords, RefusesWhatItCannotHonour) {
  EncoderConfig config = makeEncoderConfig(44100, false);
  storeU32(config.data() + GetParam().offset, GetParam().value);
  std::uint32_t samples = 0, bufferSize = 0;
  SnxBeStream stream = nullptr;
  EXPECT_NE(job.pBeInitStream(config.data(), &samples, &bufferSize, &stream), 0u);
  EXPECT_EQ(stream, nullptr);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Fields, LameEncRecords, testing::Values(
    RecordRow{.name = "OtherKind", .offset = SNX_BE_OFFSET_KIND, .value = 257},
    RecordRow{.name = "OtherVersion", .offset = SNX_BE_OFFSET_VERSION, .value = 2},
    RecordRow{.name = "OtherSize", .offset = SNX_BE_OFFSET_SIZE, .value = 332},
    RecordRow{.name = "InputRateBelow1000", .offset = SNX_BE_OFFSET_INPUT_RATE, .value = 999},
    RecordRow{.name = "OutputRateNotMpeg", .offset = SNX_BE_OFFSET_OUTPUT_RATE, .value = 22000},
    RecordRow{.name = "ModeStereo", .offset = SNX_BE_OFFSET_MODE, .value = 0},
    RecordRow{.name = "Bitrate320NotMpeg2", .offset = SNX_BE_OFFSET_BITRATE, .value = 320},
    RecordRow{.name = "VariableBitrate", .offset = SNX_BE_OFFSET_ENABLE_VBR, .value = 1},
    RecordRow{.name = "ReservedEmphasis", .offset = SNX_BE_OFFSET_EMPHASIS, .value = 4}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(CodecPlugins, LameEncRefusesNullArgumentsAndStreamsUsedOutOfTurn) {
  EncoderConfig config = makeEncoderConfig(44100, false);
  std::uint32_t samples = 0, bufferSize = 0, written = 99;
  SnxBeStream stream = nullptr;
  EXPECT_NE(job.pBeInitStream(nullptr, &samples, &bufferSize, &stream), 0u);
  EXPECT_NE(job.pBeInitStream(config.data(), nullptr, &bufferSize, &stream), 0u);
  EXPECT_NE(job.pBeInitStream(config.data(), &samples, nullptr, &stream), 0u);
  EXPECT_NE(job.pBeInitStream(config.data(), &samples, &bufferSize, nullptr), 0u);
  ASSERT_EQ(job.pBeInitStream(config.data(), &samples, &bufferSize, &stream), 0u);
  Samples pcm(samples + 1, 100);
  Bytes out(bufferSize);
  EXPECT_NE(job.pBeEncodeChunk(stream, samples + 1, pcm.data(), out.data(), &written), 0u);
  EXPECT_NE(job.pBeEncodeChunk(stream, samples, nullptr, out.data(), &written), 0u);
  EXPECT_NE(job.pBeEncodeChunk(stream, samples, pcm.data(), nullptr, &written), 0u);
  EXPECT_NE(job.pBeEncodeChunk(nullptr, samples, pcm.data(), out.data(), &written), 0u);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(job.pBeDeinitStream(stream, out.data(), &written), 0u);
  // A flushed stream takes no more samples and has nothing more to flush; a closed one is not followed.
  EXPECT_NE(job.pBeEncodeChunk(stream, samples, pcm.data(), out.data(), &written), 0u);
  EXPECT_NE(job.pBeDeinitStream(stream, out.data(), &written), 0u);
  EXPECT_EQ(job.pBeCloseStream(stream), 0u);
  EXPECT_NE(job.pBeCloseStream(stream), 0u);
  EXPECT_NE(job.pBeEncodeChunk(stream, 10, pcm.data(), out.data(), &written), 0u);
}

TEST_F(CodecPlugins, LameEncWritesNoTagAndFourVersionBytes) {
  TempFolder folder;
  auto mp3 = encode(chordSequence(0.5, 22050, 1), 22050);
  ASSERT_TRUE(mp3);
  writeFileBytes(folder.file("stream.mp3"), *mp3);
  EXPECT_EQ(job.pBeWriteVBRHeader(folder.file("stream.mp3").c_str()), 0u);
  EXPECT_EQ(readFileBytes(folder.file("stream.mp3")), *mp3);
  EXPECT_NE(job.pBeWriteVBRHeader(nullptr), 0u);
  std::uint8_t version[8] = {0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  job.pBeVersion(version);
  EXPECT_EQ(version[2], 3);  // libmp3lame 3.x
  EXPECT_EQ(version[4], 0xEE) << "wrote past the four documented bytes";
}

struct ToneRow {
  const char* name;
  double frequency;
  std::uint16_t channels;
};

class LameEncTones : public CodecPlugins, public testing::WithParamInterface<ToneRow> {};

// A tone above the new Nyquist frequency (11 025 Hz) must be filtered out, not folded back into the
// band as 22 050 - f.
TEST_P(LameEncTones, AboveTheNewBandAreRemovedInsteadOfFolded) {
  TempFolder folder;
  auto level = [&](double frequency) {
    const auto mp3 = encode(sineTone(frequency, 1.0, 44100, GetParam().channels), 44100 * GetParam().channels);
    writeFileBytes(folder.file("tone.mp3"), mp3.value_or(Bytes{}));
    const Samples decoded = decodeToPcm(folder.file("tone.mp3")).value_or(Samples{});
    return decoded.size() < 20000 ? 0.0 : rmsLevel(std::span(decoded.data() + 4000, 11025));
  };
  const double wanted = level(1000), folded = level(GetParam().frequency);
  ASSERT_GT(wanted, 0.1);
  EXPECT_LT(20 * std::log10(std::max(folded, 1e-9) / wanted), -60.0);
}

INSTANTIATE_TEST_SUITE_P(Tones, LameEncTones,
                         testing::Values(ToneRow{.name = "Mono19000", .frequency = 19000.0, .channels = 1},
                                         ToneRow{.name = "Stereo15000", .frequency = 15000.0, .channels = 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// At the output rate the samples reach libmp3lame untouched: the stream is the one it makes alone
// with the plug-in's settings (quality 2: the very-high-quality preset).
TEST_F(CodecPlugins, LameEncLeavesInputAtTheOutputRateAlone) {
  const Samples input = chordSequence(1.0, 22050, 1);
  lame_global_flags* lame = lame_init();
  ASSERT_EQ(lame_set_num_channels(lame, 1) | lame_set_mode(lame, MONO) | lame_set_in_samplerate(lame, 22050) |
                lame_set_out_samplerate(lame, 22050) | lame_set_VBR(lame, vbr_off) | lame_set_brate(lame, 24) |
                lame_set_quality(lame, 2) | lame_set_original(lame, 1) | lame_set_bWriteVbrTag(lame, 0),
            0);
  ASSERT_GE(lame_init_params(lame), 0);
  Bytes direct(input.size() * 5 / 4 + 14400);
  const int bytes =
      lame_encode_buffer(lame, input.data(), input.data(), int(input.size()), direct.data(), int(direct.size()));
  int tail = lame_encode_flush(lame, direct.data() + bytes, int(direct.size()) - bytes);
  lame_close(lame);
  ASSERT_TRUE(bytes >= 0 && tail >= 0);
  direct.resize(std::size_t(bytes + tail));
  EXPECT_EQ(encode(input, 22050), direct);
}

Bytes noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  for (auto& b : bytes) b = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
  return bytes;
}

TEST_F(CodecPlugins, DecoderDeliversEveryWholeFrameWhateverThePiecesAndDamage) {
  decode(noise(100000, 7));  // pure noise: the loop ends (decode fails the test if it spins)
  // No tag frame: the file is nothing but frames, which can be cut anywhere.
  const Bytes file = encodeWithLame(chordSequence(1.0, 22050, 1), 22050, 1, {"-b", "24", "-t"});
  auto frames = walkLayer3Frames(file);
  ASSERT_TRUE(frames && frames->size() >= 10);
  const Samples whole = decode(file, {file.size()});
  EXPECT_EQ(whole.size(), frames->size() * 576);
  EXPECT_EQ(decode(file, {1}), whole);
  EXPECT_EQ(decode(file, {3, 1, 4, 1, 5, 9, 2, 6}), whole);
  // Junk between two halves and a truncated last frame: the frames around the junk still come out.
  const auto half = static_cast<long>((*frames)[frames->size() / 2].offset);
  const Bytes damaged =
      concat({Bytes(file.begin(), file.begin() + half), noise(3000, 11), Bytes(file.begin() + half, file.end() - 20)});
  const std::size_t samples = decode(damaged, {1000}).size();
  EXPECT_TRUE(samples >= (frames->size() - 4) * 576 && samples <= (frames->size() + 2) * 576) << samples;
}

TEST_F(CodecPlugins, DecoderRefusesCallsWithoutAPreparedState) {
  Bytes state(SNX_DECODER_STATE_SIZE, 0), out(SNX_DECODER_OUTPUT_SIZE);
  std::uint8_t in[4] = {0xFF, 0xFB, 0x90, 0x00};
  std::int32_t produced = -1;
  EXPECT_NE(job.pDecodeMP3(state.data(), in, 4, out.data(), 8192, &produced), 0);
  EXPECT_EQ(produced, 0);
  EXPECT_NE(job.pDecodeMP3(nullptr, in, 4, out.data(), 8192, &produced), 0);
  ASSERT_EQ(job.pInitMP3(state.data()), 0);
  EXPECT_NE(job.pDecodeMP3(state.data(), in, 4, out.data(), 8192, nullptr), 0);
  EXPECT_NE(job.pDecodeMP3(state.data(), nullptr, 4, out.data(), 8192, &produced), 0);
  job.pExitMP3(state.data());
  job.pExitMP3(state.data());  // a second release does nothing
}

}  // namespace
}  // namespace sonaflux::test
