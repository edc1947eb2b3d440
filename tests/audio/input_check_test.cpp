#include "audio/input_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/support/manifest.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::append;
using test::bytesOf;
using Bytes = std::vector<std::uint8_t>;

const char* const kReadPastEnd = "Error: End of input file reached before end of expected data.";

struct CheckRun {
  test::RecordingHost host;
  AppContext ctx{host};

  explicit CheckRun(const std::string& path) {
    ctx.inputs.inputPath = path;
    ctx.inputs.inputCheckFailed = true;  // the check clears it itself
    runInputFileCheck(ctx);
  }
  bool failed() const { return ctx.inputs.inputCheckFailed; }
  const std::string& title() const { return ctx.inputs.inputTitle; }
};

Bytes taggedMp3(const std::string& artist, const std::string& title) {
  Bytes body;
  if (!artist.empty()) append(body, test::id3v2Frame("TPE1", 0, bytesOf(artist)));
  if (!title.empty()) append(body, test::id3v2Frame("TIT2", 0, bytesOf(title)));
  Bytes file = test::id3v2Tag(body);
  append(file, test::syntheticFrame(test::frameHeader(test::kVersion1, test::kLayer3, 9, 0, false, 0), 417));
  return file;
}

TEST(InputCheck, RefusesNamesAndFilesWithMessagesInOrder) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder.file("a*b"));
  test::writeFileBytes(folder.file("a*b/plain.mp3"), taggedMp3("", ""));
  test::writeFileBytes(folder.file("song.mp3.txt"), taggedMp3("", ""));
  test::writeFileBytes(folder.file("song"), taggedMp3("", ""));
  test::writeFileBytes(folder.file("empty.mp3"), {});
  std::filesystem::create_directory(folder.file("folder.mp3"));
  struct Row {
    std::string path;
    std::string message;
  } rows[] = {
      {folder.file("a*b/plain.mp3"), "Error: Wild card \"*\" not allowed in file name \"" + folder.file("a*b/plain.mp3") + "\"."},
      {folder.file("what?.mp3"), "Error: Wild card \"?\" not allowed in file name \"" + folder.file("what?.mp3") + "\"."},
      {folder.file("both?*.mp3"), "Error: Wild card \"*\" not allowed in file name \"" + folder.file("both?*.mp3") + "\"."},
      {folder.file("song.mp3.txt"), "Error: Input file name \"" + folder.file("song.mp3.txt") + "\" must end in \".mp3\" or \".wav\"."},
      {folder.file("song"), "Error: Input file name \"" + folder.file("song") + "\" must end in \".mp3\" or \".wav\"."},
      {folder.file("gone.mp3"), "Error: Input file not found \"" + folder.file("gone.mp3") + "\"."},
      {folder.file("a*b"), "Error: Wild card \"*\" not allowed in file name \"" + folder.file("a*b") + "\"."},
      {folder.file("empty.mp3"), "Error: Input file contains no data \"" + folder.file("empty.mp3") + "\"."},
      {folder.file("folder.mp3"), "Error: Input file not found \"" + folder.file("folder.mp3") + "\"."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    CheckRun run(row.path);
    EXPECT_TRUE(run.failed());
    EXPECT_EQ(run.host.texts(), std::vector<std::string>{row.message});
    EXPECT_EQ(run.host.messages[0].icon, MessageIcon::Exclamation);
  }
}

TEST(InputCheck, AcceptsAndTitlesInputs) {
  test::TempFolder folder;
  Bytes wavWithTag = test::makePcmWav(8000, 1, 16, std::vector<std::int16_t>(200, 5));
  append(wavWithTag, test::id3v1Block("Song", "Band"));
  // Tags declared longer than the file, which ends inside a frame: a failed
  // read, unless an ID3v1 block is read after it (looked for when the artist is missing).
  Bytes cut = test::id3v2Header(1000);
  for (const Bytes& frame : {test::id3v2Frame("TPE1", 0, bytesOf("Band")), test::id3v2Frame("TIT2", 0, bytesOf("Song")),
                             test::id3v2FrameWithSize("TXXX", 301, 0, bytesOf("xx"))})
    append(cut, frame);
  Bytes cutNoArtist = test::id3v2Header(100000);
  for (const Bytes& part : {test::id3v2Frame("TIT2", 0, bytesOf("Song")), test::id3v2FrameWithSize("TXXX", 1001, 0, Bytes(120, 'x')),
                            test::id3v1Block("", "Band")})
    append(cutNoArtist, part);
  struct Row {
    std::string name;
    Bytes bytes;
    bool isWav;
    std::string title;
    bool failed = false;
    std::vector<std::string> messages = {};
  } rows[] = {
      {"My Song.MP3", taggedMp3("", ""), false, "My Song"},
      {"tagged.mp3", taggedMp3("Band", "Song"), false, "Band - Song"},
      {"artist only.Mp3", taggedMp3("Band", ""), false, "Band"},
      {"Voice.WAV", wavWithTag, true, "Voice"},
      {"ten.mp3", {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10}, false, "ten"},
      {"many.dots.in.name.mp3", taggedMp3("", ""), false, "many.dots.in.name"},
      {"short.mp3", cut, false, "Band - Song", true, {kReadPastEnd}},
      {"long.mp3", cutNoArtist, false, "Band - Song", false, {kReadPastEnd}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::writeFileBytes(folder.file(row.name), row.bytes);
    CheckRun run(folder.file(row.name));
    EXPECT_EQ(run.failed(), row.failed);
    EXPECT_EQ(run.host.texts(), row.messages);
    EXPECT_EQ(run.ctx.inputs.inputIsWav, row.isWav);
    EXPECT_EQ(run.title(), row.title);
  }
}

// A tag fact of the manifest; several values stand joined by "\0". Text
// before ID3v2.4 has no such lists, so there they come from repeated frames,
// of which the last one counts; in ID3v2.4 one frame lists them and the first counts.
std::string fact(const test::ManifestRow& row, const std::string& column, bool lastValue = false) {
  std::string value = row.at(column);
  if (value == "-") return "";
  std::size_t separator = lastValue ? value.rfind("\\0") : value.find("\\0");
  if (separator == std::string::npos) return value;
  return lastValue ? value.substr(separator + 2) : value.substr(0, separator);
}

std::string fileStem(const std::string& file) {
  std::string stem = file.substr(file.find('/') + 1);
  return stem.substr(0, stem.rfind('.'));
}

// The title this program's rules make from the tag facts: ID3v2 frames, then
// ID3v1 for what is missing, else the file name. Empty when the facts are unknown.
std::string expectedTitle(const test::ManifestRow& row) {
  const std::string stem = fileStem(row.at("file"));
  if (row.at("kind") == "wav") return stem;
  const bool v24 = row.at("id3v2").rfind("2.4", 0) == 0;
  std::string artist = fact(row, "v2_TPE1", !v24), title = fact(row, "v2_TIT2", !v24);
  if (artist.rfind("error:", 0) == 0 || title.rfind("error:", 0) == 0) return "";
  if (title.empty()) title = fact(row, "v1_title");
  if (artist.empty()) artist = fact(row, "v1_artist");
  if (!artist.empty() && !title.empty()) return artist + " - " + title;
  return !artist.empty() ? artist : !title.empty() ? title : stem;
}

TEST(InputCheck, ChecksAndTitlesTheSharedTestFiles) {
  const auto rows = test::readManifest();
  ASSERT_GT(rows.size(), 100u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at("file"));
    CheckRun run(test::testDataFolder() + row.at("file"));
    EXPECT_EQ(run.failed(), row.at("expect") == "refuse");
    if (row.at("expect") == "refuse") continue;
    const std::string expected = expectedTitle(row);
    if (!expected.empty()) {
      EXPECT_EQ(run.title(), expected);
    }
  }
}

}  // namespace
}  // namespace sonaflux
