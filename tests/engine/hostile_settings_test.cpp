#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/create_command.h"
#include "settings/parameters_file.h"
#include "tests/support/job_fixture.h"
#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::JobFixture;

using Lines = std::vector<std::string>;

enum Line { kOutputMode = 2, kController = 3, kInstruction = 4, kBackground = 7, kOutputNumber = 9 };

Lines defaultLines(const JobFixture& f) {
  Lines lines;
  std::string text = encodeParameters(test::testSettings(f.output.path()));
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Writes the lines as the parameters file and reads them the way start-up does.
void loadSettings(JobFixture& f, const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  test::writeFileText(f.program.file("snx.da0"), text);
  readParameters(f.ctx);
  ASSERT_TRUE(f.host.terminations.empty());
}

std::vector<std::string> pageLines(const std::string& page) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < page.size();) {
    std::size_t end = page.find("\r\n", start);
    if (end == std::string::npos) end = page.size();
    lines.push_back(page.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

struct Recorded {
  bool anyFileSeen = false;
};

TEST(HostileSettings, SettingsFileValuesCannotEscapeOrBreakTheOutput) {
  const struct {
    const char* name;
    std::function<void(Lines&)> edit;
    std::string title;
    std::vector<std::string> files;  // empty: the job fails before creating anything
    std::function<void(const JobFixture&)> check;
  } rows[] = {
      {"instruction s", [](Lines& l) { l[kOutputMode] = "1"; l[kInstruction] = "s"; }, "Tune",
       {"snx1.htm", "snx1c.swf", "snx1s.swf"}, nullptr},
      {"instruction leading out of the folder", [](Lines& l) { l[kOutputMode] = "1"; l[kInstruction] = "../../x"; },
       "Tune", {"snx1.htm", "snx1c.swf", "snx1s.swf"}, nullptr},
      {"upper-case instruction", [](Lines& l) { l[kOutputMode] = "1"; l[kInstruction] = "Eh"; }, "Tune",
       {"snx1.htm", "snx1e.swf", "snx1s.swf"}, nullptr},
      {"controller name with a separator",
       [](Lines& l) { l[kOutputMode] = "1"; l[kController] = "../Controllers/Classic01150040"; }, "Tune", {},
       [](const JobFixture& f) {
         EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot open controller \"" + f.program.path() +
                                                            "Controllers/../Controllers/Classic01150040.swf\"."});
       }},
      {"controller name with dots", [](Lines& l) { l[kOutputMode] = "1"; l[kController] = "..Classic01150040"; },
       "Tune", {}, nullptr},
      {"colour with markup", [](Lines& l) { l[kBackground] = "FF\"><script>alert(1)</script>"; }, "Tune",
       {"snx1.htm", "snx1s.swf"},
       [](const JobFixture& f) {
         std::string page = test::readFileText(f.outputFile("snx1.htm"));
         EXPECT_EQ(page.find("<script"), std::string::npos);
         EXPECT_EQ(pageLines(page)[10], "  <body bgcolor=\"#FF0000c00000a0e00010000c00000\" text=\"#000000\">");
       }},
      {"title with line breaks and controls", nullptr, "Line one\r\n</title><x>\x7f\t", {"snx1.htm", "snx1s.swf"},
       [](const JobFixture& f) {
         std::string page = test::readFileText(f.outputFile("snx1.htm"));
         std::vector<std::string> lines = pageLines(page);
         ASSERT_EQ(lines.size(), 31u);
         for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
         EXPECT_EQ(lines[3], "      Line one  (/title)(x)  ");
         EXPECT_EQ(lines[24], lines[3]);
       }},
      {"largest output number", [](Lines& l) { l[kOutputNumber] = "2147483647"; }, "Tune",
       {"snx2147483647.htm", "snx2147483647s.swf"},
       [](const JobFixture& f) {
         EXPECT_EQ(readOutputNumberOnDisk(f.program.path()), 1);
         EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    Lines lines = defaultLines(f);
    if (row.edit) row.edit(lines);
    loadSettings(f, lines);
    f.setInput("in.wav", test::makePcmWav(22050, 1, 16, test::sineTone(440, 0.5, 22050, 1)));
    f.ctx.inputs.inputTitle = row.title;
    Recorded recorded;
    f.host.onPump = [&] { recorded.anyFileSeen = recorded.anyFileSeen || !f.output.entries().empty(); };

    JobReport report = f.run();
    EXPECT_EQ(report.outcome, row.files.empty() ? JobOutcome::Failed : JobOutcome::Finished) << f.host.texts().size();
    EXPECT_EQ(f.output.entries(), row.files);
    // Refused before the work: not even a temporary file was made.
    if (row.files.empty()) {
      EXPECT_FALSE(recorded.anyFileSeen);
    }
    if (row.check) row.check(f);
  }
}

TEST(HostileSettings, DamagedDataFilesAndPipesFailTheJobAtOnce) {
  const struct {
    const char* name;
    std::function<void(JobFixture&)> prepare;
    std::function<std::string(const JobFixture&)> message;
    bool refusedBeforeWork;
  } rows[] = {
      {"garbage stream template",
       [](JobFixture& f) {
         fs::remove(f.program.file("snx.da1"));
         test::writeFileText(f.program.file("snx.da1"), std::string(64, 'x'));
       },
       [](const JobFixture& f) { return "Error: Cannot open data file \"" + f.program.file("snx.da1") + "\"."; }, false},
      {"empty controller",
       [](JobFixture& f) {
         test::writeFileText(f.program.file("Controllers/Empty01150040.swf"), "");
         f.ctx.settings.outputMode = kOutputModeController;
         f.ctx.settings.controllerName = "Empty01150040";
       },
       [](const JobFixture& f) {
         return "Error: Cannot open controller \"" + f.program.file("Controllers/Empty01150040.swf") + "\".";
       },
       true},
      {"controller with a Flash signature but no version",
       [](JobFixture& f) {
         test::writeFileText(f.program.file("Controllers/Text01150040.swf"), std::string("FWS\0 not really", 15));
         f.ctx.settings.outputMode = kOutputModeController;
         f.ctx.settings.controllerName = "Text01150040";
       },
       [](const JobFixture& f) {
         return "Error: Cannot open controller \"" + f.program.file("Controllers/Text01150040.swf") + "\".";
       },
       true},
      {"pipe as controller",
       [](JobFixture& f) {
         mkfifo(f.program.file("Controllers/Pipe01150040.swf").c_str(), 0644);
         f.ctx.settings.outputMode = kOutputModeController;
         f.ctx.settings.controllerName = "Pipe01150040";
       },
       [](const JobFixture& f) {
         return "Error: Cannot open controller \"" + f.program.file("Controllers/Pipe01150040.swf") + "\".";
       },
       true},
      {"pipe as input",
       [](JobFixture& f) {
         mkfifo(f.inputs.file("pipe.wav").c_str(), 0644);
         f.ctx.inputs.inputPath = f.inputs.file("pipe.wav");
       },
       [](const JobFixture& f) { return "Error: Input file contains no data \"" + f.inputs.file("pipe.wav") + "\"."; },
       true},
      {"stereo WAV at 2^30 Hz",
       [](JobFixture& f) {
         f.setInput("fast.wav", test::makePcmWav(1u << 30, 2, 16, test::sineTone(440, 0.01, 44100, 2)));
       },
       [](const JobFixture&) { return std::string("Error: Cannot initialise LAME encoder."); }, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    f.setInput("in.wav", test::makePcmWav(22050, 1, 16, test::sineTone(440, 0.5, 22050, 1)));
    row.prepare(f);
    Recorded recorded;
    f.host.onPump = [&] { recorded.anyFileSeen = recorded.anyFileSeen || !f.output.entries().empty(); };
    EXPECT_EQ(f.run().outcome, JobOutcome::Failed);
    EXPECT_EQ(f.host.texts(), std::vector<std::string>{row.message(f)});
    EXPECT_TRUE(f.output.entries().empty());
    EXPECT_EQ(recorded.anyFileSeen, !row.refusedBeforeWork);
    EXPECT_EQ(readOutputNumberOnDisk(f.program.path()), 1);
  }
}

}  // namespace
}  // namespace sonaflux
