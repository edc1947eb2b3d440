#include <gtest/gtest.h>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>

#include "tests/support/manifest.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/swf_walker.h"
#include "tests/support/test_paths.h"

namespace sonaflux {
namespace {

// libmpg123 finds no audio in these, though the manifest says otherwise: a
// free-format Layer I file that changes rate, and fuzzed bytes in which no
// header is followed by another or by the end.
const std::set<std::string> kNoAudioHere = {"minimp3/l2-nonstandard-fl1_fl2_ff.mp3",
                                            "minimp3/l3-nonstandard-sideinfo-size.mp3"};
// Frames change channel mode or rate: the whole stream is taken in the last
// frame's format, so the other parts change speed.
const std::set<std::string> kFormatChanges = {"minimp3/l3-he_mode.mp3", "minimp3/l3-nonstandard-he_44_48khz.mp3"};

struct SharedFileRow {
  std::string file;    // under tests/data
  std::string expect;  // "accept" or "noaudio"
};

void PrintTo(const SharedFileRow& row, std::ostream* out) { *out << row.file; }

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

class SharedFile : public ::testing::TestWithParam<SharedFileRow> {};

// Each file is a test of its own, so that ctest converts them side by side.
TEST_P(SharedFile, EndsAsItsManifestSays) {
  const SharedFileRow& row = GetParam();
  test::ProgramCopy e2e;
  // A private copy: the job locks its input.
  const std::string input = e2e.input(std::filesystem::path(row.file).filename().string(),
                                      test::readFileBytes(test::testDataFolder() + row.file));
  const test::ProcessResult r = e2e.run({input});
  if (row.expect == "noaudio") {
    EXPECT_EQ(r.exitCode, 1);
    const std::string noAudio = "Error: No audio data found in input file \"" + input + "\".\n";
    EXPECT_NE(r.err.find(noAudio), std::string::npos) << r.err;
    EXPECT_TRUE(e2e.output.entries().empty());
    return;
  }
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(e2e.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1s.swf"}));
  // The walker finds the stream as the head announces it: 22 050 Hz mono MP3
  // at 24 kbit/s, whole frames only.
  const std::string swf = e2e.output.file("snx1s.swf");
  const std::optional<test::SwfFile> walked = test::walkSwf(test::readFileBytes(swf));
  ASSERT_TRUE(walked);
  const auto heads = walked->tagsWithCode(18);
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0]->body.at(1), 0x2A);
  const auto frames = test::walkLayer3Frames(test::soundStreamData(*walked));
  ASSERT_TRUE(frames && !frames->empty());
  for (const test::MpegFrame& f : *frames)
    ASSERT_TRUE(f.version == 2 && f.sampleRate == 22050 && f.bitrate == 24 && f.mono) << "frame at " << f.offset;
  // The input as ffmpeg decodes it, when it finds no fault: the whole sound,
  // at its own speed, is in the stream.
  const test::ProcessResult in = test::runProcess(
      {"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-i", input, "-ac", "1", "-ar", "22050", "-f", "s16le", "-"});
  if (in.exitCode != 0 || !in.err.empty() || kFormatChanges.count(row.file)) return;
  // The stream adds up to one block of silent frames (40 frames) and the codecs' delays.
  const double out = double(frames->size() * 576) / 22050.0, sound = double(in.out.size() / 2) / 22050.0;
  EXPECT_GE(out, sound - 0.1);
  EXPECT_LE(out, sound + 40 * 576 / 22050.0 + 0.15);
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
