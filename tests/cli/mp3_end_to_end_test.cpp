#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>

#include "audio/mp3_frame_header.h"
#include "settings/parameters_file.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/manifest.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/stream_checks.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Bytes = std::vector<std::uint8_t>;

// One private program folder; each conversion writes to a folder of its own.
struct EndToEnd : test::ProgramCopy {
  TempFolder inputs;
  EndToEnd() : ProgramCopy("") {}  // every run names its output folder
  test::ProcessResult convert(const std::string& input, const std::string& outputFolder) {
    return run({"--yes", "--output-folder", outputFolder, input});
  }
};

// The base name of the one output set in a folder (the output number goes
// on from conversion to conversion); empty unless the set is complete.
std::string outputSetIn(const TempFolder& folder) {
  std::vector<std::string> names = folder.entries();
  if (names.size() != 2 || names[0].size() < 5) return {};
  std::string base = names[0].substr(0, names[0].size() - 4);
  return names == std::vector<std::string>{base + ".htm", base + "s.swf"} ? folder.file(base) : std::string();
}

// The same stream in free format: every frame's bitrate index cut to 0, so
// that only the distance between headers tells a frame's length.
Bytes inFreeFormat(Bytes mp3) {
  std::size_t at = 0;
  while (std::optional<FrameHeader> header = parseFrameHeader(std::span(mp3).subspan(at))) {
    mp3[at + 2] &= 0x0F;
    at += static_cast<std::size_t>(frameLength(*header));
  }
  EXPECT_EQ(at, mp3.size());
  return mp3;
}

TEST(Mp3EndToEnd, LameEncodedFilesBecomeMatchingStreamsTitledFromTheirTags) {
  enum class Sound { Chords, Silence, FreeFormatChords };
  const struct {
    const char* name;
    std::uint32_t rate;
    std::uint16_t channels;
    std::vector<std::string> options;
    Sound sound = Sound::Chords;
  } rows[] = {
      {"MPEG-1 44100 Hz stereo", 44100, 2, {"-b", "128"}},
      {"MPEG-2 22050 Hz mono", 22050, 1, {"-b", "32", "-m", "m"}},
      {"MPEG-2.5 8000 Hz mono", 8000, 1, {"-b", "16", "-m", "m"}},
      {"VBR with its Xing frame", 44100, 2, {"-V", "5"}},
      {"silence", 44100, 1, {"-b", "64"}, Sound::Silence},
      {"free format, padded frames among unpadded", 44100, 2, {"-t", "-b", "128"}, Sound::FreeFormatChords},
      {"free-format mono", 32000, 1, {"-t", "-b", "64", "-m", "m"}, Sound::FreeFormatChords},
  };
  EndToEnd e2e;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::int16_t> sound = row.sound == Sound::Silence
                                          ? std::vector<std::int16_t>(4 * row.rate * row.channels, 0)
                                          : test::chordSequence(4.0, row.rate, row.channels);
    std::vector<std::string> options = row.options;
    for (const char* tag : {"--ta", "The Band", "--tt", row.name}) options.push_back(tag);
    if (row.sound == Sound::FreeFormatChords) options.push_back("--id3v2-only");
    const std::string original = e2e.inputs.file("original.mp3"), input = e2e.inputs.file("in.mp3");
    test::writeFileBytes(original, test::encodeWithLame(sound, row.rate, row.channels, options));
    Bytes bytes = test::readFileBytes(original);
    if (row.sound == Sound::FreeFormatChords) {
      // Past the leading tag, the frames.
      const std::size_t tagEnd = 10 + (std::size_t{bytes[6]} << 21 | std::size_t{bytes[7]} << 14 | std::size_t{bytes[8]} << 7 | bytes[9]);
      Bytes frames = inFreeFormat(Bytes(bytes.begin() + static_cast<long>(tagEnd), bytes.end()));
      bytes.resize(tagEnd);
      test::append(bytes, frames);
    }
    test::writeFileBytes(input, bytes);
    TempFolder out;
    test::ProcessResult r = e2e.convert(input, out.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string base = outputSetIn(out);
    ASSERT_FALSE(base.empty());
    EXPECT_NE(test::readFileText(base + ".htm").find("      The Band - " + std::string(row.name) + "\r\n"),
              std::string::npos);

    std::vector<std::int16_t> decoded = test::expectPlayableStream(base + "s.swf");
    std::optional<std::vector<std::int16_t>> reference = test::decodeToPcm(original, 22050, 1);
    ASSERT_TRUE(reference);
    test::expectDurationNear(decoded.size(), reference->size());
    if (row.sound == Sound::Silence) {
      EXPECT_LT(test::rmsLevel(decoded), 0.001);
      continue;
    }
    // The original sound, mixed to mono at 22 050 Hz, against the stream.
    test::writeFileBytes(e2e.inputs.file("orig.wav"), test::makePcmWav(row.rate, row.channels, 16, sound));
    std::optional<std::vector<std::int16_t>> mixed = test::decodeToPcm(e2e.inputs.file("orig.wav"), 22050, 1);
    ASSERT_TRUE(mixed);
    test::Correlation c = test::crossCorrelate(*mixed, decoded, 0, 6000);
    EXPECT_GE(c.value, 0.9) << "lag " << c.lag;
  }
}

// Files whose outcome here differs from the manifest, and why.
const std::map<std::string, std::string> kKnownDifferences = {
    // libmpg123 decodes nothing of this free-format Layer I file that changes rate.
    {"minimp3/l2-nonstandard-fl1_fl2_ff.mp3", "no audio"},
    // Fuzzed bytes in which no header is followed by another or by the end.
    {"minimp3/l3-nonstandard-sideinfo-size.mp3", "no audio"},
};

// Streams whose frames change channel mode or rate: the whole stream is
// taken in the last frame's format, so the other parts change speed.
const std::map<std::string, std::string> kFormatChanges = {
    {"minimp3/l3-he_mode.mp3", "mono and stereo frames"},
    {"minimp3/l3-nonstandard-he_44_48khz.mp3", "44 100 and 48 000 Hz frames"},
};

// A nonstandard stream that libmpg123 and ffmpeg decode into different sound.
const std::map<std::string, std::string> kDecodersDisagree = {
    {"minimp3/l3-nonstandard-compl-sideinfo-size.mp3", "side information sizes out of range"},
};

TEST(Mp3EndToEnd, SharedFilesEndAsTheirManifestSays) {
  EndToEnd e2e;
  int converted = 0;
  for (const test::ManifestRow& row : test::readManifest()) {
    const std::string& file = row.at("file");
    if (row.at("kind") == "wav") continue;
    SCOPED_TRACE(file);
    // A private copy: the job locks its input, and other tests read the shared files too.
    TempFolder in, out;
    const std::string input = in.file(std::filesystem::path(file).filename().string());
    std::filesystem::copy_file(test::testDataFolder() + file, input);
    test::ProcessResult r = e2e.convert(input, out.path());
    std::string expect = row.at("expect");
    auto known = kKnownDifferences.find(file);
    if (known != kKnownDifferences.end()) expect = known->second == "audio" ? "accept" : "noaudio";

    if (expect == "accept") {
      ASSERT_EQ(r.exitCode, 0) << r.err;
      std::string base = outputSetIn(out);
      ASSERT_FALSE(base.empty());
      std::vector<std::int16_t> decoded = test::expectPlayableStream(base + "s.swf");
      // Damaged streams decode differently from decoder to decoder: no reference.
      bool damaged = test::runProcess({"ffmpeg", "-v", "error", "-xerror", "-i", input, "-f", "null", "-"}).exitCode != 0;
      // The sound itself is compared in the band a 24 kbit/s stream keeps.
      const std::string band = "lowpass=f=3000,lowpass=f=3000";
      std::optional<std::vector<std::int16_t>> inBand = test::decodeToPcm(input, 22050, 1, band);
      if (inBand && !inBand->empty() && !damaged && !kFormatChanges.count(file)) {
        test::expectDurationNear(decoded.size(), inBand->size());
        std::optional<std::vector<std::int16_t>> outBand = test::decodeToPcm(base + "s.swf", 22050, 1, band);
        ASSERT_TRUE(outBand);
        if (inBand->size() >= 11025 && test::rmsLevel(*inBand) > 0.001 && !kDecodersDisagree.count(file)) {
          std::size_t span = std::min<std::size_t>(inBand->size(), 5 * 22050);
          test::Correlation c = test::crossCorrelate(std::span(inBand->data(), span), *outBand, 0, 6000);
          EXPECT_GE(c.value, 0.9) << "lag " << c.lag;
        }
      }
      ++converted;
    } else if (expect == "noaudio") {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_NE(r.err.find("Error: No audio data found in input file \"" + input + "\".\n"), std::string::npos) << r.err;
      EXPECT_TRUE(out.entries().empty());
    } else {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.err.rfind("Error: Input file", 0), 0u) << r.err;
      EXPECT_TRUE(out.entries().empty());
    }
  }
  EXPECT_GE(converted, 95);
}

}  // namespace
}  // namespace sonaflux
