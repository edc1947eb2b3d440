#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "audio/mp3_frame_header.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/manifest.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/program_copy.h"
#include "tests/support/stream_checks.h"
#include "tests/support/swf_walker.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::TempFolder;
using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

// Converts into a folder of its own (the output number goes on from run to
// run); the base path of the one output set there, empty unless it is complete.
std::string convert(const test::ProgramCopy& program, const std::string& input, const TempFolder& out,
                    test::ProcessResult& r) {
  r = program.run({"--yes", "--output-folder", out.path(), input});
  const std::vector<std::string> names = out.entries();
  const std::string base = names.empty() ? "" : names[0].substr(0, names[0].find('.'));
  return r.exitCode == 0 && names == std::vector<std::string>{base + ".htm", base + "s.swf"} ? base : "";
}

// The same stream in free format: every frame's bitrate index cut to 0, so
// that only the distance between headers tells a frame's length.
void toFreeFormat(Bytes& mp3) {
  // Past the leading tag.
  std::size_t at = 10 + (std::size_t{mp3[6]} << 21 | std::size_t{mp3[7]} << 14 | std::size_t{mp3[8]} << 7 | mp3[9]);
  while (std::optional<FrameHeader> header = parseFrameHeader(std::span(mp3).subspan(at))) {
    mp3[at + 2] &= 0x0F;
    at += static_cast<std::size_t>(frameLength(*header));
  }
  EXPECT_EQ(at, mp3.size());
}

TEST(EndToEnd, WavAndLameEncodedInputsBecomeMatchingStreamsWithTheirTitles) {
  enum class Sound { Chords, Silence, FreeFormatChords };
  const struct {
    const char* name;
    std::uint32_t rate;
    std::uint16_t channels;
    std::vector<std::string> lame;  // none: the WAV is the input
    std::uint16_t bits = 16;
    Sound sound = Sound::Chords;
  } rows[] = {
      {"WAV 11025 Hz mono 8-bit", 11025, 1, {}, 8},
      {"WAV 44100 Hz stereo", 44100, 2, {}},
      {"WAV 48000 Hz mono", 48000, 1, {}},
      {"MPEG-1 44100 Hz stereo", 44100, 2, {"-b", "128"}},
      {"MPEG-2 22050 Hz mono", 22050, 1, {"-b", "32", "-m", "m"}},
      {"MPEG-2.5 8000 Hz mono", 8000, 1, {"-b", "16", "-m", "m"}},
      {"VBR with its Xing frame", 44100, 2, {"-V", "5"}},
      {"silence", 44100, 1, {"-b", "64"}, 16, Sound::Silence},
      {"free format, padded frames among unpadded", 44100, 2, {"-t", "-b", "128"}, 16, Sound::FreeFormatChords},
      {"free-format mono", 32000, 1, {"-t", "-b", "64", "-m", "m"}, 16, Sound::FreeFormatChords},
  };
  test::ProgramCopy e2e;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Samples sound = row.sound == Sound::Silence ? Samples(4 * row.rate * row.channels, 0)
                                                : test::chordSequence(4.0, row.rate, row.channels);
    const std::string wav = e2e.input("original.wav", test::makePcmWav(row.rate, row.channels, 16, sound));
    std::string title = row.name;
    std::string input = e2e.input(title + ".wav", test::makePcmWav(row.rate, row.channels, row.bits, sound));
    std::string original = input;
    if (!row.lame.empty()) {
      std::vector<std::string> options = row.lame;
      title = "The Band - " + title;
      options.insert(options.end(), {"--ta", "The Band", "--tt", row.name});
      if (row.sound == Sound::FreeFormatChords) options.push_back("--id3v2-only");
      Bytes mp3 = test::encodeWithLame(sound, row.rate, row.channels, options);
      original = e2e.input("original.mp3", mp3);
      if (row.sound == Sound::FreeFormatChords) toFreeFormat(mp3);
      input = e2e.input("in.mp3", mp3);
    }
    TempFolder out;
    test::ProcessResult r;
    std::string base = convert(e2e, input, out, r);
    ASSERT_FALSE(base.empty()) << r.err;
    EXPECT_NE(test::readFileText(out.file(base + ".htm")).find("      " + title + "\r\n"), std::string::npos);

    Samples decoded = test::expectPlayableStream(out.file(base + "s.swf"));
    test::expectDurationNear(decoded.size(), test::decodeToPcm(original, 22050, 1).value().size());
    if (row.sound == Sound::Silence) {
      EXPECT_LT(test::rmsLevel(decoded), 0.001);
      continue;
    }
    // The original sound, mixed to mono at 22 050 Hz, against the stream.
    test::Correlation c = test::crossCorrelate(test::decodeToPcm(wav, 22050, 1).value(), decoded, 0, 6000);
    EXPECT_GE(c.value, 0.9) << "lag " << c.lag;
  }
}

// libmpg123 finds no audio in these, though the manifest says otherwise: a
// free-format Layer I file that changes rate, and fuzzed bytes in which no
// header is followed by another or by the end.
const std::set<std::string> kNoAudioHere = {"minimp3/l2-nonstandard-fl1_fl2_ff.mp3",
                                            "minimp3/l3-nonstandard-sideinfo-size.mp3"};
// Frames change channel mode or rate: the whole stream is taken in the last
// frame's format, so the other parts change speed.
const std::set<std::string> kFormatChanges = {"minimp3/l3-he_mode.mp3", "minimp3/l3-nonstandard-he_44_48khz.mp3"};
// Side information sizes out of range: libmpg123 and ffmpeg decode different sound.
const std::set<std::string> kDecodersDisagree = {"minimp3/l3-nonstandard-compl-sideinfo-size.mp3"};

struct SharedFileRow {
  std::string file;    // under tests/data
  std::string expect;  // "accept" or "noaudio"
};

std::vector<SharedFileRow> sharedFilesToConvert() {
  std::vector<SharedFileRow> rows;
  for (const test::ManifestRow& row : test::readManifest()) {
    const std::string& file = row.at("file");
    const std::string expect = kNoAudioHere.count(file) ? "noaudio" : row.at("expect");
    // The input check's own test walks the refused files.
    if (expect != "refuse") rows.push_back({file, expect});
  }
  return rows;
}

// The sound in the band a 24 kbit/s stream keeps, decoded by ffmpeg with not a
// word of complaint; nothing when ffmpeg finds fault with the file.
std::optional<Samples> cleanBandDecode(const std::string& path) {
  const test::ProcessResult run =
      test::runProcess({"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-i", path, "-af",
                        "lowpass=f=3000,lowpass=f=3000", "-ac", "1", "-ar", "22050", "-f", "s16le", "-"});
  if (run.exitCode != 0 || !run.err.empty()) return std::nullopt;
  Samples samples(run.out.size() / 2);
  std::memcpy(samples.data(), run.out.data(), samples.size() * 2);
  return samples;
}

class SharedFile : public ::testing::TestWithParam<SharedFileRow> {};

// Each file is a test of its own, so that ctest converts them side by side.
TEST_P(SharedFile, EndsAsItsManifestSays) {
  const SharedFileRow& row = GetParam();
  test::ProgramCopy e2e;
  TempFolder out;
  // A private copy: the job locks its input.
  const std::string input = e2e.input(std::filesystem::path(row.file).filename().string(),
                                      test::readFileBytes(test::testDataFolder() + row.file));
  test::ProcessResult r;
  const std::string base = convert(e2e, input, out, r);
  if (row.expect == "noaudio") {
    EXPECT_EQ(r.exitCode, 1);
    const std::string noAudio = "Error: No audio data found in input file \"" + input + "\".\n";
    EXPECT_NE(r.err.find(noAudio), std::string::npos) << r.err;
    EXPECT_TRUE(out.entries().empty());
    return;
  }
  ASSERT_FALSE(base.empty()) << r.err;
  const std::string swf = out.file(base + "s.swf");
  // The walker reads the animation; its stream head announces 22 050 Hz mono MP3.
  const std::optional<test::SwfFile> walked = test::walkSwf(test::readFileBytes(swf));
  ASSERT_TRUE(walked);
  const auto heads = walked->tagsWithCode(18);
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0]->body.at(1), 0x2A);
  const std::optional<Samples> outBand = cleanBandDecode(swf);
  ASSERT_TRUE(outBand) << "ffmpeg finds fault with " << swf;
  // Damaged or format-changing inputs decode differently from decoder to decoder: no reference.
  const std::optional<Samples> inBand = cleanBandDecode(input);
  if (!inBand || inBand->empty() || kFormatChanges.count(row.file)) return;
  test::expectDurationNear(outBand->size(), inBand->size());
  if (inBand->size() < 11025 || test::rmsLevel(*inBand) <= 0.001 || kDecodersDisagree.count(row.file)) return;
  const std::size_t span = std::min<std::size_t>(inBand->size(), 5 * 22050);
  const test::Correlation c = test::crossCorrelate(std::span(inBand->data(), span), *outBand, 0, 6000);
  EXPECT_GE(c.value, 0.9) << "lag " << c.lag;
}

INSTANTIATE_TEST_SUITE_P(EndToEnd, SharedFile, ::testing::ValuesIn(sharedFilesToConvert()),
                         [](const ::testing::TestParamInfo<SharedFileRow>& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace sonaflux
