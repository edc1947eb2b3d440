#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "cli/arguments.h"
#include "settings/parameters_file.h"
#include "tests/support/ffmpeg_tools.h"
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

TEST(CliArguments, ParsesOptionsAndTheInput) {
  std::string error;
  auto a = cli::parseArguments({"--title", "", "--yes", "--output-folder", "out", "in.wav"}, error);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->title, std::optional<std::string>(""));
  EXPECT_TRUE(a->assumeYes);
  EXPECT_EQ(a->outputFolder, "out");
  EXPECT_EQ(a->input, "in.wav");
  auto dashed = cli::parseArguments({"--", "--odd name.mp3"}, error);
  ASSERT_TRUE(dashed);
  EXPECT_EQ(dashed->input, "--odd name.mp3");
  EXPECT_FALSE(dashed->title);

  const std::vector<std::string> bad[] = {{}, {"--title"}, {"--bogus", "a.wav"}, {"a.wav", "b.wav"},
                                          {"--output-folder", "", "a.wav"}};
  for (const auto& args : bad) {
    error.clear();
    EXPECT_FALSE(cli::parseArguments(args, error));
    EXPECT_FALSE(error.empty());
  }
}

struct Folders {
  TempFolder inputs, output;
};

// A private program folder writing into an output folder of its own.
struct CliFixture : Folders, test::ProgramCopy {
  CliFixture() : ProgramCopy(output.path()) {}
  std::string input(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    test::writeFileBytes(inputs.file(name), bytes);
    return inputs.file(name);
  }
};

TEST(Cli, HelpVersionAndUsageErrors) {
  CliFixture f;
  test::ProcessResult help = f.run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: sonaflux-cli"), std::string::npos);
  test::ProcessResult version = f.run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "sonaflux-cli 1.25\n");
  test::ProcessResult usage = f.run({"--frobnicate"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("unknown option --frobnicate"), std::string::npos);
}

TEST(Cli, ConvertsWavInputsIntoPlayableOutputSets) {
  const struct {
    std::uint32_t rate;
    std::uint16_t channels, bits;
  } rows[] = {{11025, 1, 8}, {44100, 2, 16}, {48000, 1, 16}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.rate) + " Hz, " + std::to_string(row.channels) + " ch, " +
                 std::to_string(row.bits) + " bit");
    CliFixture f;
    const double seconds = 3.0;
    std::string in = f.input("music.wav", test::makePcmWav(row.rate, row.channels, row.bits,
                                                           test::chordSequence(seconds, row.rate, row.channels)));
    test::ProcessResult r = f.run({in});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Finished Successfully!\nCreated web page \"snx1.htm\"\n"
                     "Created Flash streaming animation \"snx1s.swf\"\nin " + f.output.path() + "\n");
    EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1s.swf"}));
    EXPECT_EQ(f.numberOnDisk(), 2);

    std::string swf = f.output.file("snx1s.swf");
    std::vector<std::int16_t> out = test::expectPlayableStream(swf);
    std::optional<std::vector<std::int16_t>> reference = test::decodeToPcm(in, 22050, 1);
    ASSERT_TRUE(reference);
    test::expectDurationNear(out.size(), reference->size());
    test::Correlation c = test::crossCorrelate(*reference, out, 0, 4000);
    EXPECT_GE(c.value, 0.9) << "lag " << c.lag;
  }
}

TEST(Cli, ControllerOutputListsThreeFilesAndTheTitleReachesThePage) {
  CliFixture f;
  f.settings.outputMode = kOutputModeController;
  f.settings.instruction = "e";
  f.saveSettings();
  std::string in = f.input("tune.wav", test::makePcmWav(22050, 1, 16, test::sineTone(440, 1.0, 22050, 1)));
  test::ProcessResult r = f.run({"--title", "Rock & Roll <live>", in});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Created Flash controller animation \"snx1e.swf\"\n"), std::string::npos);
  EXPECT_EQ(f.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1e.swf", "snx1s.swf"}));
  std::string page = test::readFileText(f.output.file("snx1.htm"));
  EXPECT_NE(page.find("      Rock * Roll (live)\r\n"), std::string::npos);
  EXPECT_NE(page.find("value=\"snx1e.swf\""), std::string::npos);
}

TEST(Cli, DoesNotOverwriteWithoutBeingTold) {
  CliFixture f;
  std::string in = f.input("tune.wav", test::makePcmWav(8000, 1, 16, test::sineTone(300, 0.5, 8000, 1)));
  test::writeFileText(f.output.file("snx1.htm"), "mine");
  test::ProcessResult no = f.run({in});
  EXPECT_EQ(no.exitCode, 1);
  EXPECT_NE(no.err.find("Is it OK to overwrite this file:\n" + f.output.file("snx1.htm")), std::string::npos);
  EXPECT_EQ(f.output.entries(), std::vector<std::string>{"snx1.htm"});
  EXPECT_EQ(test::readFileText(f.output.file("snx1.htm")), "mine");
  EXPECT_EQ(f.numberOnDisk(), 1);

  test::ProcessResult yes = f.run({"--yes", in});
  EXPECT_EQ(yes.exitCode, 0) << yes.err;
  EXPECT_NE(test::readFileText(f.output.file("snx1.htm")), "mine");
  EXPECT_EQ(f.numberOnDisk(), 2);
}

TEST(Cli, OutputFolderOptionIsUsedForThisJobOnly) {
  CliFixture f;
  TempFolder elsewhere;
  std::string in = f.input("tune.wav", test::makePcmWav(8000, 1, 16, test::sineTone(300, 0.5, 8000, 1)));
  test::ProcessResult r = f.run({"--output-folder", elsewhere.path(), in});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(elsewhere.entries(), (std::vector<std::string>{"snx1.htm", "snx1s.swf"}));
  EXPECT_TRUE(f.output.entries().empty());
  std::optional<std::string> saved = test::readFileText(f.program.file("snx.da0"));
  EXPECT_EQ(decodeParameters(*saved)->outputFolderPath, f.output.path());
}

TEST(Cli, CtrlCCancelsAndLeavesNothingBehind) {
  CliFixture f;
  std::string in = f.input("long.wav", test::makePcmWav(44100, 2, 16, test::chordSequence(60.0, 44100, 2)));
  test::ProcessOptions options;
  options.interruptWhen = [&] { return fs::exists(f.output.file("snx1s.swf")); };
  test::ProcessResult r = f.run({in}, options);
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_NE(r.err.find("Cancelled"), std::string::npos);
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.numberOnDisk(), 1);
}

TEST(Cli, FailingDiskLeavesNothingBehind) {
  CliFixture f;
  std::string in = f.input("long.wav", test::makePcmWav(22050, 1, 16, test::chordSequence(20.0, 22050, 1)));
  test::ProcessOptions options;
  options.fileSizeLimit = 256 * 1024;  // tmp2 needs about 880 KB
  test::ProcessResult r = f.run({in}, options);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Error: Cannot write file.\n"), std::string::npos) << r.err;
  EXPECT_TRUE(f.output.entries().empty());
  EXPECT_EQ(f.numberOnDisk(), 1);
}

TEST(Cli, TwoProcessesAtOnceNeverShareAnOutputNumber) {
  CliFixture f;
  std::string list;
  for (int i = 0; i < 4; ++i) {
    list += f.input("in" + std::to_string(i) + ".wav",
                    test::makePcmWav(22050, 1, 16, test::sineTone(300 + 100 * i, 1.5, 22050, 1))) + "\n";
  }
  test::writeFileText(f.inputs.file("list"), list);
  test::ProcessResult r = test::runProcess(
      {"sh", "-c", "xargs -P 2 -n 1 '" + f.cli() + "' < '" + f.inputs.file("list") + "'"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> expected;
  for (int n = 1; n <= 4; ++n)
    for (const char* suffix : {".htm", "s.swf"}) expected.push_back("snx" + std::to_string(n) + suffix);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(f.output.entries(), expected);
  EXPECT_EQ(f.numberOnDisk(), 5);
  for (int n = 1; n <= 4; ++n) {
    std::optional<test::StreamInfo> info = test::probeAudio(f.output.file("snx" + std::to_string(n) + "s.swf"));
    ASSERT_TRUE(info) << n;
    EXPECT_EQ(info->codecName, "mp3");
  }
}

TEST(Cli, RefusedInputExitsWithFailure) {
  CliFixture f;
  test::ProcessResult r = f.run({f.inputs.file("missing.wav")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Error: Input file not found \"" + f.inputs.file("missing.wav") + "\".\nFailed\n");
  EXPECT_EQ(f.numberOnDisk(), 1);
}

}  // namespace
}  // namespace sonaflux
