#include <gtest/gtest.h>
#include <lame/lame.h>

#include <cmath>

#include "tests/codecs/codec_plugins.h"
#include "tests/codecs/test_signals.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux::test {
namespace {

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

/// How closely a decoded stream follows the reference: the normalised
/// correlation over the whole overlap at the codec's delay, which a middle
/// stretch finds first.
double closeness(const std::vector<std::int16_t>& reference,
                 const std::vector<std::int16_t>& decoded) {
  const long start = long(reference.size()) / 4;
  std::span<const std::int16_t> part(reference.data() + start, 8192);
  long lag = crossCorrelate(part, decoded, start, start + 3000).lag - start;
  return crossCorrelate(reference, decoded, lag - 1, lag + 1).value;
}

struct QualityRow {
  SignalKind kind;
  std::uint32_t rate;
  std::uint16_t channels;
};

TEST(LameEncResampling, FollowsTheInputAtLeastAsCloselyAsLamesOwnResampling) {
  EncoderPlugin plugin;
  ASSERT_TRUE(plugin.loaded());
  const QualityRow rows[] = {
      {SignalKind::Speech, 8000, 1},  {SignalKind::Speech, 16000, 2},
      {SignalKind::Music, 11025, 1},  {SignalKind::Music, 44100, 2},
      {SignalKind::Music, 48000, 1},  {SignalKind::Sweep, 32000, 2},
      {SignalKind::Sweep, 44100, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << signalName(row.kind) << ", " << row.rate << " Hz, "
                                    << row.channels << " ch");
    TempFolder folder;
    auto input = testSignal(row.kind, 2.0, row.rate, row.channels);
    // Stereo goes in as one channel at twice the rate, as the stage passes it.
    std::uint32_t declared = row.rate * row.channels;
    auto ours = encodeWithPlugin(plugin, input, declared);
    ASSERT_TRUE(ours);
    auto baseline = encodeWithLameResampling(input, int(declared));

    std::string wav = folder.file("in.wav");
    writeFileBytes(wav, makePcmWav(row.rate, row.channels, 16, input));
    auto reference = decodeToPcm(wav, 22050, 1);  // mixed to mono by ffmpeg
    ASSERT_TRUE(reference);
    double oursCloseness = closeness(*reference, decodeStream(folder, "ours.mp3", *ours));
    double baselineCloseness = closeness(*reference, decodeStream(folder, "lame.mp3", baseline));
    RecordProperty(std::string(signalName(row.kind)) + std::to_string(row.rate) + "x" +
                       std::to_string(row.channels),
                   std::to_string(oursCloseness) + " vs " + std::to_string(baselineCloseness));
    EXPECT_GT(oursCloseness, 0.8);
    EXPECT_GE(oursCloseness, baselineCloseness - 0.005);
  }
}

struct AliasRow {
  std::uint16_t channels;
  double frequency;
};

// A tone above the new Nyquist frequency (11 025 Hz) must be filtered out,
// not folded back into the band as 22 050 - f.
TEST(LameEncResampling, RemovesTonesAboveTheNewBandInsteadOfFoldingThem) {
  EncoderPlugin plugin;
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
  EncoderPlugin plugin;
  ASSERT_TRUE(plugin.loaded());
  auto input = testSignal(SignalKind::Music, 1.0, 22050, 1);
  auto ours = encodeWithPlugin(plugin, input, 22050);
  ASSERT_TRUE(ours);
  EXPECT_EQ(*ours, encodeWithLameResampling(input, 22050));
}

}  // namespace
}  // namespace sonaflux::test
