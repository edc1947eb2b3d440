#include <gtest/gtest.h>

#include <cstring>

#include "tests/codecs/codec_plugins.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux::test {
namespace {

struct LameFile {
  std::vector<std::uint8_t> bytes;
  std::string path;
};

/// A chord sequence encoded by the `lame` command-line encoder.
LameFile lameEncode(const TempFolder& folder, std::uint32_t rate, std::uint16_t channels,
                    double seconds, const std::vector<std::string>& options) {
  LameFile file{encodeWithLame(chordSequence(seconds, rate, channels), rate, channels, options), folder.file("out.mp3")};
  EXPECT_FALSE(file.bytes.empty()) << "lame failed";
  writeFileBytes(file.path, file.bytes);
  return file;
}

int samplesPerFrame(int sampleRate) { return sampleRate >= 32000 ? 1152 : 576; }

/// Encoder delay and padding from the LAME tag behind "Xing" or "Info":
/// twelve bits each, 21 bytes into the tag that follows the 120 Xing bytes.
/// nullopt when the encoder wrote no tag (its frames were too small).
std::optional<std::pair<long, long>> lameDelayAndPadding(const std::vector<std::uint8_t>& mp3) {
  for (std::size_t i = 0; i + 4 < std::min<std::size_t>(mp3.size(), 64); ++i) {
    if (std::memcmp(&mp3[i], "Xing", 4) == 0 || std::memcmp(&mp3[i], "Info", 4) == 0) {
      const std::uint8_t* tag = &mp3[i + 120];
      EXPECT_EQ(std::memcmp(tag, "LAME", 4), 0);
      return std::pair<long, long>{tag[21] << 4 | tag[22] >> 4, (tag[22] & 0x0F) << 8 | tag[23]};
    }
  }
  return std::nullopt;
}

struct LameRow {
  std::uint32_t rate;
  std::uint16_t channels;
  std::vector<std::string> options;
};

TEST(DecoderPlugin, DecodesLameFilesToEveryFrameAtTheStreamsFormat) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  const LameRow rows[] = {
      {44100, 2, {"-b", "128"}},
      {22050, 1, {"-b", "32"}},
      {8000, 1, {"-b", "16"}},      // MPEG-2.5
      {48000, 2, {"-V", "4"}},      // variable bitrate
      {16000, 2, {"-b", "48", "-m", "j"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.channels << " ch, "
                                    << row.options[0] << row.options[1]);
    TempFolder folder;
    LameFile file = lameEncode(folder, row.rate, row.channels, 1.5, row.options);
    auto info = probeAudio(file.path);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->sampleRate, int(row.rate));
    ASSERT_EQ(info->channels, row.channels);
    auto reference = decodeToPcm(file.path);
    ASSERT_TRUE(reference);

    std::vector<std::int16_t> ours = pcmSamples(decodeWithPlugin(plugin, file.bytes));
    // ffprobe counts the audio frames it reads, not the Info frame; we hand
    // out every sample of every one of them, the last included, and the Info
    // frame too, as one frame of silence.
    auto tag = lameDelayAndPadding(file.bytes);
    const long infoFrame = tag ? samplesPerFrame(info->sampleRate) : 0;
    ASSERT_EQ(long(ours.size()),
              (info->packetCount * samplesPerFrame(info->sampleRate) + infoFrame) * info->channels);
    // ffmpeg's own PCM honours the LAME tag: it drops the encoder delay plus
    // the decoder's 529 samples at the start and the padding at the end, so
    // ours must be longer by exactly that and otherwise the same sound.
    auto [delay, padding] = tag.value_or(std::pair<long, long>{0, 0});
    long skipped = tag ? infoFrame + delay + 529 : 0;
    EXPECT_EQ(long(ours.size() - reference->size()), (infoFrame + delay + padding) * info->channels);
    const long window = 8192, start = long(reference->size()) / 3;
    std::span<const std::int16_t> part(reference->data() + start, std::size_t(window));
    Correlation match = crossCorrelate(part, ours, start, start + 6000);
    EXPECT_GT(match.value, 0.999);
    EXPECT_EQ(match.lag - start, skipped * info->channels);
  }
}

TEST(DecoderPlugin, GivesTheSamePcmWhateverThePieceSizes) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  TempFolder folder;
  LameFile file = lameEncode(folder, 44100, 2, 1.5, {"-b", "96"});
  std::vector<std::uint8_t> whole = decodeWithPlugin(plugin, file.bytes, {file.bytes.size()});
  ASSERT_FALSE(whole.empty());
  const std::vector<std::vector<std::size_t>> pieceSchemes = {
      {1}, {3, 1, 4, 1, 5, 9, 2, 6}, {417}, {1000, 1}, {16384}};
  for (const auto& pieces : pieceSchemes) {
    SCOPED_TRACE(testing::Message() << "first piece " << pieces[0]);
    EXPECT_EQ(decodeWithPlugin(plugin, file.bytes, pieces), whole);
  }
}

TEST(DecoderPlugin, DeliversShortStreamsUpToTheirLastFrame) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  TempFolder folder;
  // No tag frame: the file is nothing but frames, which can be cut anywhere.
  LameFile file = lameEncode(folder, 22050, 1, 1.0, {"-b", "24", "-t"});
  auto frames = walkLayer3Frames(file.bytes);
  ASSERT_TRUE(frames);
  ASSERT_GE(frames->size(), 10u);
  for (std::size_t count : {1u, 2u, 3u, 10u}) {
    SCOPED_TRACE(testing::Message() << count << " frames");
    const MpegFrame& last = (*frames)[count - 1];
    std::span<const std::uint8_t> head(file.bytes.data(), last.offset + last.size);
    EXPECT_EQ(decodeWithPlugin(plugin, head).size(), count * 576 * 2);
  }
}

std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = std::uint8_t(seed >> 24);
  }
  return bytes;
}

TEST(DecoderPlugin, ReturnsForMoreInputOnDamagedStreamsAndRecovers) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  // Pure noise: the loop ends (decodeWithPlugin fails the test if it spins).
  decodeWithPlugin(plugin, noise(100000, 7));

  TempFolder folder;
  LameFile file = lameEncode(folder, 22050, 1, 2.0, {"-b", "24", "-t"});
  auto frames = walkLayer3Frames(file.bytes);
  ASSERT_TRUE(frames);
  // Junk between two halves and a truncated last frame: the frames around
  // the junk still come out.
  std::size_t half = (*frames)[frames->size() / 2].offset;
  std::vector<std::uint8_t> damaged(file.bytes.begin(), file.bytes.begin() + long(half));
  std::vector<std::uint8_t> junk = noise(3000, 11);
  damaged.insert(damaged.end(), junk.begin(), junk.end());
  damaged.insert(damaged.end(), file.bytes.begin() + long(half), file.bytes.end() - 20);
  std::size_t samples = decodeWithPlugin(plugin, damaged, {1000}).size() / 2;
  EXPECT_GE(samples, (frames->size() - 4) * 576);
  EXPECT_LE(samples, (frames->size() + 2) * 576);
}

TEST(DecoderPlugin, RefusesCallsWithoutAPreparedState) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  std::vector<std::uint8_t> state(SNX_DECODER_STATE_SIZE, 0);
  std::vector<std::uint8_t> out(SNX_DECODER_OUTPUT_SIZE);
  std::uint8_t in[4] = {0xFF, 0xFB, 0x90, 0x00};
  std::int32_t produced = -1;
  EXPECT_NE(plugin.job.pDecodeMP3(state.data(), in, 4, out.data(), 8192, &produced), 0);
  EXPECT_EQ(produced, 0);
  EXPECT_NE(plugin.job.pDecodeMP3(nullptr, in, 4, out.data(), 8192, &produced), 0);
  ASSERT_EQ(plugin.job.pInitMP3(state.data()), 0);
  EXPECT_NE(plugin.job.pDecodeMP3(state.data(), in, 4, out.data(), 8192, nullptr), 0);
  EXPECT_NE(plugin.job.pDecodeMP3(state.data(), nullptr, 4, out.data(), 8192, &produced), 0);
  plugin.job.pExitMP3(state.data());
  plugin.job.pExitMP3(state.data());  // a second release does nothing
}

// Streams made by other encoders: every frame ffprobe reads comes out.
TEST(DecoderPlugin, DecodesReferenceStreamsCompletely) {
  CodecPlugins plugin;
  ASSERT_TRUE(plugin.loaded());
  const char* files[] = {"minimp3/M2L3_bitrate_22_all.mp3", "minimp3/ILL2_layer3.mp3"};
  for (const char* name : files) {
    SCOPED_TRACE(name);
    std::string path = testDataFolder() + name;
    auto info = probeAudio(path);
    auto reference = decodeToPcm(path);
    ASSERT_TRUE(info && reference);
    std::vector<std::uint8_t> bytes = readFileBytes(path);
    std::vector<std::int16_t> ours = pcmSamples(decodeWithPlugin(plugin, bytes));
    EXPECT_EQ(long(ours.size()),
              info->packetCount * samplesPerFrame(info->sampleRate) * info->channels);
    EXPECT_EQ(ours.size(), reference->size());
  }
}

}  // namespace
}  // namespace sonaflux::test
