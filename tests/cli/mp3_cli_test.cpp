#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/parameters_file.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;

// The command-line program run from a private copy of the program folder.
struct Mp3Cli {
  test::TempFolder program, inputs, output;

  Mp3Cli() {
    for (const auto& entry : fs::directory_iterator(test::programFolder())) {
      std::string name = entry.path().filename().string();
      if (name == "sonaflux_tests" || name == "snx.da0" || name == "snx.lock") continue;
      fs::copy(entry.path(), program.file(name), fs::copy_options::recursive);
    }
    SettingsRecord s;
    s.outputFolderPath = output.path();
    s.outputMode = kOutputModeBareLooping;
    s.controllerName = "Classic01150040";
    s.instruction = "c";
    s.nextTipNumber = 1;
    s.backgroundColour = "FFFFFF";
    s.textColour = "000000";
    s.nextOutputNumber = 1;
    test::writeFileText(program.file("snx.da0"), encodeParameters(s));
  }
  test::ProcessResult run(const std::string& input) {
    return test::runProcess({program.file("sonaflux-cli"), input});
  }
  std::int32_t numberOnDisk() const { return readOutputNumberOnDisk(program.path()).value_or(-1); }
};

TEST(Mp3Cli, TaggedMp3GivesAPageTitledFromItsTags) {
  Mp3Cli cli;
  std::vector<std::uint8_t> file = test::id3v2Tag(
      test::id3v2Frame("TPE1", 1, {0xFF, 0xFE, 'B', 0, 'a', 0, 'n', 0, 'd', 0}),  // UTF-16 with mark
      3, 0, 64);
  test::append(file, test::id3v2Frame("TIT2", 0, test::bytesOf("Song")));
  test::append(file, test::encodeWithLame(test::sineTone(440, 1.5, 44100, 2), 44100, 2, {"-b", "128"}));
  test::writeFileBytes(cli.inputs.file("tagged.mp3"), file);
  test::ProcessResult r = cli.run(cli.inputs.file("tagged.mp3"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(cli.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1s.swf"}));
  // The TIT2 frame lies after the tag's padding: only the artist is found.
  EXPECT_NE(test::readFileText(cli.output.file("snx1.htm")).find("Band\r\n"), std::string::npos);
  EXPECT_EQ(cli.numberOnDisk(), 2);
}

TEST(Mp3Cli, SharedFilesRunAsTheirManifestSays) {
  struct Row {
    const char* file;
    int exitCode;
    const char* messageStart;  // on standard error; empty for none
    const char* titleLine;     // in the page
  } rows[] = {
      {"mutagen/silence-44-s-v1.mp3", 0, "", "piman - Silence"},
      {"mutagen/id3v1v2-combined.mp3", 0, "", "Anais Mitchell - cosmic american"},
      {"minimp3/l3-nonstandard-id3v2-only.mp3", 1, "Error: No audio data found in input file ", ""},
      {"minimp3/l2-fl10.bit", 1, "Error: Input file name ", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    Mp3Cli cli;
    test::ProcessResult r = cli.run(test::testDataFolder() + row.file);
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
    if (*row.messageStart) {
      EXPECT_NE(r.err.find(row.messageStart), std::string::npos) << r.err;
      EXPECT_TRUE(cli.output.entries().empty());
      EXPECT_EQ(cli.numberOnDisk(), 1);
    } else {
      EXPECT_NE(test::readFileText(cli.output.file("snx1.htm")).find(std::string(row.titleLine) + "\r\n"),
                std::string::npos);
    }
  }
}

}  // namespace
}  // namespace sonaflux
