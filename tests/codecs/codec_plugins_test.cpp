// The two codec plug-ins of the build's program folder, loaded by the program's own loader and fed
// whole signals, checked against ffmpeg.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "codecs/lame_enc_api.h"
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

// A WAV file's rate reaches the encoder as it is; the job fails with the encoder's message.
TEST_F(CodecPlugins, LameEncRefusesAnInputRateBelow1000) {
  EncoderConfig config = makeEncoderConfig(999, false);
  std::uint32_t samples = 0, bufferSize = 0;
  SnxBeStream stream = nullptr;
  EXPECT_NE(job.pBeInitStream(config.data(), &samples, &bufferSize, &stream), 0u);
  EXPECT_EQ(stream, nullptr);
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

}  // namespace
}  // namespace sonaflux::test
