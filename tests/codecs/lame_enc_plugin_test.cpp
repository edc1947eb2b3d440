#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/codecs/codec_plugins.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux::test {
namespace {

bool contains(const std::vector<std::uint8_t>& bytes, const char* text) {
  std::size_t n = std::strlen(text);
  return std::search(bytes.begin(), bytes.end(), text, text + n) != bytes.end();
}

// Chords, and in a second channel a sound of its own: a stream made of one
// channel alone would not match the mix of both.
std::vector<std::int16_t> distinctChannels(double seconds, std::uint32_t rate, std::uint16_t channels) {
  std::vector<std::int16_t> out = chordSequence(seconds, rate, channels);
  const std::vector<std::int16_t> other = chordSequence(seconds, rate * 2 / 3, 1);
  for (std::size_t i = 1; channels == 2 && i < out.size(); i += 2) out[i] = other[std::min(i / 2, other.size() - 1)];
  return out;
}

struct InputRow {
  std::uint32_t rate;
  std::uint16_t channels;
};

// Stereo reaches the encoder as one channel at twice the rate.
TEST(LameEncPlugin, MakesTheConstantBitrateMonoStreamFromEveryInput) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  const InputRow rows[] = {{11025, 1}, {22050, 1}, {44100, 1}, {44100, 2}};
  const double seconds = 2.0;
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.channels << " ch");
    TempFolder folder;
    auto input = distinctChannels(seconds, row.rate, row.channels);
    auto mp3 = encodeWithPlugin(plugin, input, row.rate * row.channels);
    ASSERT_TRUE(mp3);

    auto frames = walkLayer3Frames(*mp3);
    ASSERT_TRUE(frames) << "not a bare run of Layer III frames";
    for (const auto& f : *frames) {
      SCOPED_TRACE(testing::Message() << "frame at " << f.offset);
      ASSERT_EQ(f.version, 2);
      ASSERT_EQ(f.bitrate, 24);
      ASSERT_EQ(f.sampleRate, 22050);
      ASSERT_TRUE(f.mono);
      ASSERT_TRUE(f.original);
      ASSERT_FALSE(f.crc);
      ASSERT_EQ(f.size, f.padding ? 79u : 78u);
    }
    // No tag frame. (LAME's name in the ancillary bits of early frames is
    // part of the audio frames, not a tag.)
    EXPECT_FALSE(contains(*mp3, "Xing") || contains(*mp3, "Info"));
    // Constant bitrate: 24 000 bit/s over 576-sample frames at 22 050 Hz is
    // 78.367 bytes a frame on average, padding slots included.
    double average = 24000.0 / 8 * 576 / 22050;
    EXPECT_NEAR(double(mp3->size()), average * double(frames->size()), 1.0);
    // The flush leaves nothing behind: the frames cover the whole input
    // plus LAME's delay of 576 samples.
    double inputAt22050 = double(input.size() / row.channels) * 22050 / row.rate;
    EXPECT_GE(double(frames->size() * 576), inputAt22050 + 576);
    EXPECT_LE(double(frames->size() * 576), inputAt22050 + 576 + 3 * 576);

    std::string mp3Path = folder.file("out.mp3"), wavPath = folder.file("in.wav");
    writeFileBytes(mp3Path, *mp3);
    writeFileBytes(wavPath, makePcmWav(row.rate, row.channels, 16, input));
    auto info = probeAudio(mp3Path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->codecName, "mp3");
    EXPECT_EQ(info->sampleRate, 22050);
    EXPECT_EQ(info->channels, 1);
    EXPECT_EQ(info->bitRate, 24000);
    auto decoded = decodeToPcm(mp3Path);
    auto reference = decodeToPcm(wavPath, 22050, 1);
    ASSERT_TRUE(decoded && reference);
    std::span<const std::int16_t> part(reference->data() + 11025, 16384);
    Correlation match = crossCorrelate(part, *decoded, 11025, 11025 + 2000);
    EXPECT_GT(match.value, 0.8);
  }
}

TEST(LameEncPlugin, AcceptsTheWholeRangeOfInputRates) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  for (std::uint32_t rate : {1000u, 8000u, 96000u, 1536000u}) {
    SCOPED_TRACE(rate);
    // At least two whole chunks: the buffer size must hold what one chunk
    // becomes after resampling, most of all when the rate goes up 22-fold.
    const double seconds = std::max(0.5, 70000.0 / rate);
    auto mp3 = encodeWithPlugin(plugin, sineTone(440, seconds, rate, 1), rate);
    ASSERT_TRUE(mp3);
    auto frames = walkLayer3Frames(*mp3);
    ASSERT_TRUE(frames);
    EXPECT_NEAR(double(frames->size()), seconds * 22050 / 576 + 2, 2.0);
  }
}

TEST(LameEncPlugin, StreamDoesNotDependOnHowTheInputIsCut) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  for (std::uint32_t rate : {22050u, 44100u}) {
    SCOPED_TRACE(rate);
    auto input = chordSequence(2.0, rate, 1);
    auto whole = encodeWithPlugin(plugin, input, rate);
    ASSERT_TRUE(whole);
    for (std::uint32_t piece : {1000u, 4097u}) {
      SCOPED_TRACE(piece);
      EXPECT_EQ(encodeWithPlugin(plugin, input, rate, piece), whole);
    }
  }
}

TEST(LameEncPlugin, RefusesRecordsItCannotHonour) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  struct Row {
    const char* what;
    int offset;
    std::uint32_t value;
  };
  const Row rows[] = {
      {"kind", SNX_BE_OFFSET_KIND, 0},
      {"kind", SNX_BE_OFFSET_KIND, 257},
      {"version", SNX_BE_OFFSET_VERSION, 0},
      {"version", SNX_BE_OFFSET_VERSION, 2},
      {"size", SNX_BE_OFFSET_SIZE, 330},
      {"size", SNX_BE_OFFSET_SIZE, 332},
      {"input rate", SNX_BE_OFFSET_INPUT_RATE, 0},
      {"input rate", SNX_BE_OFFSET_INPUT_RATE, 999},
      {"input rate", SNX_BE_OFFSET_INPUT_RATE, 0x80000000u},
      {"output rate", SNX_BE_OFFSET_OUTPUT_RATE, 0},
      {"output rate", SNX_BE_OFFSET_OUTPUT_RATE, 22000},
      {"mode", SNX_BE_OFFSET_MODE, 0},
      {"mode", SNX_BE_OFFSET_MODE, 2},
      {"bitrate", SNX_BE_OFFSET_BITRATE, 0},
      {"bitrate", SNX_BE_OFFSET_BITRATE, 23},
      {"bitrate", SNX_BE_OFFSET_BITRATE, 320},  // not an MPEG-2 rate
      {"variable bitrate", SNX_BE_OFFSET_ENABLE_VBR, 1},
      {"emphasis", SNX_BE_OFFSET_EMPHASIS, 4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.what << " " << row.value);
    EncoderConfig config = streamConfig(44100);
    putField(config, row.offset, row.value);
    std::uint32_t samples = 0, bufferSize = 0;
    SnxBeStream stream = nullptr;
    EXPECT_NE(plugin.job.pBeInitStream(config.data(), &samples, &bufferSize, &stream), 0u);
    EXPECT_EQ(stream, nullptr);
  }
  EncoderConfig config = streamConfig(44100);
  std::uint32_t samples = 0, bufferSize = 0;
  SnxBeStream stream = nullptr;
  EXPECT_NE(plugin.job.pBeInitStream(nullptr, &samples, &bufferSize, &stream), 0u);
  EXPECT_NE(plugin.job.pBeInitStream(config.data(), nullptr, &bufferSize, &stream), 0u);
  EXPECT_NE(plugin.job.pBeInitStream(config.data(), &samples, nullptr, &stream), 0u);
  EXPECT_NE(plugin.job.pBeInitStream(config.data(), &samples, &bufferSize, nullptr), 0u);
}

TEST(LameEncPlugin, RefusesMisusedStreamsWithoutCrashing) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  EncoderConfig config = streamConfig(44100);
  std::uint32_t samples = 0, bufferSize = 0;
  SnxBeStream stream = nullptr;
  ASSERT_EQ(plugin.job.pBeInitStream(config.data(), &samples, &bufferSize, &stream), 0u);
  std::vector<std::int16_t> pcm(samples + 1, 100);
  std::vector<std::uint8_t> out(bufferSize);
  std::uint32_t written = 99;
  EXPECT_NE(plugin.job.pBeEncodeChunk(stream, samples + 1, pcm.data(), out.data(), &written), 0u);
  EXPECT_NE(plugin.job.pBeEncodeChunk(stream, samples, nullptr, out.data(), &written), 0u);
  EXPECT_NE(plugin.job.pBeEncodeChunk(stream, samples, pcm.data(), nullptr, &written), 0u);
  EXPECT_NE(plugin.job.pBeEncodeChunk(nullptr, samples, pcm.data(), out.data(), &written), 0u);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(plugin.job.pBeEncodeChunk(stream, samples, pcm.data(), out.data(), &written), 0u);
  EXPECT_EQ(plugin.job.pBeDeinitStream(stream, out.data(), &written), 0u);
  EXPECT_GT(written, 0u);
  // A flushed stream takes no more samples and has nothing more to flush.
  EXPECT_NE(plugin.job.pBeEncodeChunk(stream, samples, pcm.data(), out.data(), &written), 0u);
  EXPECT_NE(plugin.job.pBeDeinitStream(stream, out.data(), &written), 0u);
  EXPECT_EQ(plugin.job.pBeCloseStream(stream), 0u);
  // A closed handle is refused, not followed.
  EXPECT_NE(plugin.job.pBeCloseStream(stream), 0u);
  EXPECT_NE(plugin.job.pBeEncodeChunk(stream, 10, pcm.data(), out.data(), &written), 0u);
  EXPECT_NE(plugin.job.pBeDeinitStream(stream, out.data(), &written), 0u);
}

TEST(LameEncPlugin, WritesNoTagIntoAFinishedStream) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  TempFolder folder;
  auto mp3 = encodeWithPlugin(plugin, chordSequence(0.5, 22050, 1), 22050);
  ASSERT_TRUE(mp3);
  std::string path = folder.file("stream.mp3");
  writeFileBytes(path, *mp3);
  EXPECT_EQ(plugin.job.pBeWriteVBRHeader(path.c_str()), 0u);
  EXPECT_EQ(readFileBytes(path), *mp3);
  EXPECT_NE(plugin.job.pBeWriteVBRHeader(nullptr), 0u);

  std::uint8_t version[8] = {0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  plugin.job.pBeVersion(version);
  EXPECT_EQ(version[2], 3);  // libmp3lame 3.x
  EXPECT_EQ(version[4], 0xEE) << "wrote past the four documented bytes";
}

// The plug-in's algorithm quality for the very-high-quality preset.
constexpr int kPluginQuality = 2;

/// libmp3lame used directly, resampling by itself from the declared rate.
std::vector<std::uint8_t> encodeWithLameResampling(const std::vector<std::int16_t>& samples,
                                                   int declaredRate) {
  lame_global_flags* lame = lame_init();
  lame_set_num_channels(lame, 1);
  lame_set_mode(lame, MONO);
  lame_set_in_samplerate(lame, declaredRate);
  lame_set_out_samplerate(lame, 22050);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, 24);
  lame_set_quality(lame, kPluginQuality);
  lame_set_original(lame, 1);
  lame_set_bWriteVbrTag(lame, 0);
  EXPECT_GE(lame_init_params(lame), 0);
  std::vector<std::uint8_t> mp3(std::size_t(1.25 * double(samples.size())) + 7200 + 7200);
  int bytes = lame_encode_buffer(lame, samples.data(), samples.data(), int(samples.size()),
                                 mp3.data(), int(mp3.size()));
  EXPECT_GE(bytes, 0);
  int tail = lame_encode_flush(lame, mp3.data() + bytes, int(mp3.size()) - bytes);
  EXPECT_GE(tail, 0);
  lame_close(lame);
  mp3.resize(std::size_t(bytes + tail));
  return mp3;
}

std::vector<std::int16_t> decodeStream(const TempFolder& folder, const std::string& name,
                                       const std::vector<std::uint8_t>& mp3) {
  std::string path = folder.file(name);
  writeFileBytes(path, mp3);
  auto decoded = decodeToPcm(path, 22050, 1);
  EXPECT_TRUE(decoded);
  return decoded.value_or(std::vector<std::int16_t>{});
}

struct AliasRow {
  std::uint16_t channels;
  double frequency;
};

// A tone above the new Nyquist frequency (11 025 Hz) must be filtered out,
// not folded back into the band as 22 050 - f.
TEST(LameEncResampling, RemovesTonesAboveTheNewBandInsteadOfFoldingThem) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  TempFolder folder;
  auto level = [&](double frequency, std::uint16_t channels) {
    auto tone = sineTone(frequency, 1.5, 44100, channels, 0.5);
    auto mp3 = encodeWithPlugin(plugin, tone, 44100 * channels);
    EXPECT_TRUE(mp3);
    auto decoded = decodeStream(folder, "tone.mp3", mp3.value_or(std::vector<std::uint8_t>{}));
    if (decoded.size() < 30000) return 0.0;
    return rmsLevel(std::span<const std::int16_t>(decoded.data() + 4000, 22050));
  };
  const AliasRow rows[] = {{1, 15000}, {1, 19000}, {2, 15000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.frequency << " Hz, " << row.channels << " ch");
    double wanted = level(1000, row.channels);
    double folded = level(row.frequency, row.channels);
    ASSERT_GT(wanted, 0.1);
    EXPECT_LT(20 * std::log10(std::max(folded, 1e-9) / wanted), -60.0);
  }
}

// At the output rate the samples go to LAME untouched: the stream is the one
// LAME makes by itself.
TEST(LameEncResampling, LeavesInputAtTheOutputRateAlone) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  auto input = chordSequence(1.0, 22050, 1);
  auto ours = encodeWithPlugin(plugin, input, 22050);
  ASSERT_TRUE(ours);
  EXPECT_EQ(*ours, encodeWithLameResampling(input, 22050));
}

}  // namespace
}  // namespace sonaflux::test
