#include "audio/input_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/support/manifest.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

struct CheckRun {
  RecordingHost host;
  AppContext ctx{host};

  explicit CheckRun(const std::string& path) {
    ctx.inputs.inputPath = path;
    ctx.inputs.inputCheckFailed = true;  // the check clears it itself
    runInputFileCheck(ctx);
  }
};

Bytes taggedMp3(const std::string& artist) {
  const Bytes tpe1 = artist.empty() ? Bytes{} : id3v2Frame("TPE1", 0, bytesOf(artist));
  return concat({id3v2Tag(tpe1), syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 0, false, 0), 417)});
}

// Tags declared longer than the file, which ends inside a frame: a failed read, unless an ID3v1
// block is read after it (looked for when the artist is missing).
const Bytes kCut = concat({id3v2Header(1000), id3v2Frame("TPE1", 0, bytesOf("Band")),
                           id3v2Frame("TIT2", 0, bytesOf("Song")), id3v2FrameWithSize("TXXX", 301, 0, bytesOf("xx"))});
const Bytes kCutNoArtist = concat({id3v2Header(100000), id3v2Frame("TIT2", 0, bytesOf("Song")),
                                   id3v2FrameWithSize("TXXX", 1001, 0, Bytes(120, 'x')), id3v1Block("", "Band")});
const Bytes kPlain = taggedMp3("");
const Bytes kWav = concat({makePcmWav(8000, 1, 16, std::vector<std::int16_t>(200, 5)), id3v1Block("Song", "Band")});
const std::string kStar = "Error: Wild card \"*\" not allowed in file name \"%\".";
const std::string kEnding = "Error: Input file name \"%\" must end in \".mp3\" or \".wav\".";
const std::string kPastEnd = "Error: End of input file reached before end of expected data.";

struct InputRow {
  const char* name;
  std::string file;
  std::optional<Bytes> bytes = std::nullopt;  // written to the file when given
  std::string title = "";
  std::string message = "";  // "%" stands for the path
  bool failed;
};

// clang-format off
const InputRow kInputRows[] = {
    {.name = "StarInAFolderName", .file = "a*b/plain.mp3", .bytes = kPlain, .message = kStar, .failed = true},
    {.name = "QuestionMark", .file = "what?.mp3", .message = "Error: Wild card \"?\" not allowed in file name \"%\".",
     .failed = true},
    {.name = "StarBeforeQuestionMark", .file = "both?*.mp3", .message = kStar, .failed = true},
    {.name = "OtherEnding", .file = "song.mp3.txt", .bytes = kPlain, .message = kEnding, .failed = true},
    {.name = "AFolder", .file = "folder.mp3", .message = "Error: Input file not found \"%\".", .failed = true},
    {.name = "ArtistOnly", .file = "artist only.Mp3", .bytes = taggedMp3("Band"), .title = "Band", .failed = false},
    {.name = "WavTitledByName", .file = "Voice.WAV", .bytes = kWav, .title = "Voice", .failed = false},
    {.name = "TenBytesOfTagHeaderAreNoTag", .file = "ten.mp3", .bytes = Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10},
     .title = "ten", .failed = false},
    {.name = "LastDotEndsTheTitle", .file = "a.b.mp3", .bytes = kPlain, .title = "a.b", .failed = false},
    {.name = "TagPastTheEnd", .file = "short.mp3", .bytes = kCut, .message = kPastEnd, .failed = true},
    {.name = "TagPastTheEndThenId3v1", .file = "long.mp3", .bytes = kCutNoArtist, .title = "Band - Song",
     .message = kPastEnd, .failed = false},
};
// clang-format on

class InputCheck : public testing::TestWithParam<InputRow> {};

TEST_P(InputCheck, RefusesOrTitlesTheInput) {
  const InputRow& row = GetParam();
  TempFolder folder;
  std::filesystem::create_directory(folder.file("a*b"));
  std::filesystem::create_directory(folder.file("folder.mp3"));
  const std::string path = folder.file(row.file);
  if (row.bytes) writeFileBytes(path, *row.bytes);
  CheckRun run(path);
  EXPECT_EQ(run.ctx.inputs.inputCheckFailed, row.failed);
  std::string message = row.message;
  if (const auto at = message.find('%'); at != std::string::npos) message.replace(at, 1, path);
  EXPECT_EQ(run.host.texts(), message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
  for (const auto& m : run.host.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);
  if (!row.title.empty()) {
    EXPECT_EQ(run.ctx.inputs.inputTitle, row.title);
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, InputCheck, testing::ValuesIn(kInputRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A tag fact of the manifest; several values stand joined by "\0". Before ID3v2.4 they come from
// repeated frames, of which the last counts; in ID3v2.4 one frame lists them and the first counts.
std::string fact(const ManifestRow& row, const std::string& column, bool lastValue = false) {
  const std::string value = row.at(column);
  const std::size_t separator = lastValue ? value.rfind("\\0") : value.find("\\0");
  if (value == "-") return "";
  if (separator == std::string::npos) return value;
  return lastValue ? value.substr(separator + 2) : value.substr(0, separator);
}

// The title this program's rules make from the tag facts: ID3v2 frames, then ID3v1 for what is
// missing, else the file name. Empty when the facts are unknown.
std::string expectedTitle(const ManifestRow& row) {
  const std::string name = std::filesystem::path(row.at("file")).stem().string();
  if (row.at("kind") == "wav") return name;
  const bool v24 = row.at("id3v2").starts_with("2.4");
  std::string artist = fact(row, "v2_TPE1", !v24), title = fact(row, "v2_TIT2", !v24);
  if (artist.starts_with("error:") || title.starts_with("error:")) return "";
  if (title.empty()) title = fact(row, "v1_title");
  if (artist.empty()) artist = fact(row, "v1_artist");
  if (!artist.empty() && !title.empty()) return artist + " - " + title;
  return !artist.empty() ? artist : !title.empty() ? title : name;
}

TEST(InputCheckSharedFiles, RefusesOrTitlesEachAsItsManifestSays) {
  const auto rows = readManifest();
  ASSERT_GT(rows.size(), 100u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at("file"));
    CheckRun run(testDataFolder() + row.at("file"));
    EXPECT_EQ(run.ctx.inputs.inputCheckFailed, row.at("expect") == "refuse");
    const std::string expected = expectedTitle(row);
    EXPECT_TRUE(row.at("expect") == "refuse" || expected.empty() || run.ctx.inputs.inputTitle == expected)
        << run.ctx.inputs.inputTitle << " instead of " << expected;
  }
}

}  // namespace
}  // namespace sonaflux
