#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "engine/create_command.h"
#include "settings/parameters_file.h"
#include "tests/support/job_fixture.h"
#include "tests/support/program_copy.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux {
namespace {

using test::JobFixture;
using Lines = std::vector<std::string>;

enum Line { kOutputMode = 2, kController = 3, kInstruction = 4, kBackground = 7, kOutputNumber = 9 };

Lines splitCrLf(const std::string& text) {
  Lines lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.find("\r\n", start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(HostileSettings, SettingsFileValuesCannotEscapeOrBreakTheOutput) {
  auto controllerOutput = [](Lines& l, int line, const char* value) {
    l[kOutputMode] = "1";
    l[line] = value;
  };
  const struct {
    const char* name;
    std::function<void(Lines&)> edit;
    std::string title;
    Lines files;  // empty: the job fails before creating anything
    std::function<void(const JobFixture&)> check = nullptr;
  } rows[] = {
      {"instruction s", [&](Lines& l) { controllerOutput(l, kInstruction, "s"); }, "Tune",
       {"snx1.htm", "snx1c.swf", "snx1s.swf"}},
      {"instruction leading out of the folder", [&](Lines& l) { controllerOutput(l, kInstruction, "../../x"); },
       "Tune", {"snx1.htm", "snx1c.swf", "snx1s.swf"}},
      {"upper-case instruction", [&](Lines& l) { controllerOutput(l, kInstruction, "Eh"); }, "Tune",
       {"snx1.htm", "snx1e.swf", "snx1s.swf"}},
      {"controller name with a separator",
       [&](Lines& l) { controllerOutput(l, kController, "../Controllers/Classic01150040"); }, "Tune", {},
       [](const JobFixture& f) {
         EXPECT_EQ(f.host.texts(), Lines{"Error: Cannot open controller \"" + f.program.path() +
                                         "Controllers/../Controllers/Classic01150040.swf\"."});
       }},
      {"controller name with dots", [&](Lines& l) { controllerOutput(l, kController, "..Classic01150040"); }, "Tune",
       {}},
      {"colour with markup", [](Lines& l) { l[kBackground] = "FF\"><script>alert(1)</script>"; }, "Tune",
       {"snx1.htm", "snx1s.swf"},
       [](const JobFixture& f) {
         std::string page = test::readFileText(f.outputFile("snx1.htm"));
         EXPECT_EQ(page.find("<script"), std::string::npos);
         EXPECT_EQ(splitCrLf(page)[10], "  <body bgcolor=\"#FF0000c00000a0e00010000c00000\" text=\"#000000\">");
       }},
      {"title with line breaks and controls", nullptr, "Line one\r\n</title><x>\x7f\t", {"snx1.htm", "snx1s.swf"},
       [](const JobFixture& f) {
         Lines lines = splitCrLf(test::readFileText(f.outputFile("snx1.htm")));
         ASSERT_EQ(lines.size(), 31u);
         for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
         EXPECT_EQ(lines[3], "      Line one  (/title)(x)  ");
         EXPECT_EQ(lines[24], lines[3]);
       }},
      {"largest output number", [](Lines& l) { l[kOutputNumber] = "2147483647"; }, "Tune",
       {"snx2147483647.htm", "snx2147483647s.swf"},
       [](const JobFixture& f) {
         EXPECT_EQ(f.numberOnDisk(), 1);
         EXPECT_EQ(f.ctx.settings.nextOutputNumber, 1);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    JobFixture f;
    Lines lines = splitCrLf(encodeParameters(test::testSettings(f.output.path())));
    if (row.edit) row.edit(lines);
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    // Read the way start-up does.
    test::writeFileText(f.program.file("snx.da0"), text);
    readParameters(f.ctx);
    ASSERT_TRUE(f.host.terminations.empty());
    f.setInput("in.wav", test::makePcmWav(22050, 1, 16, test::sineTone(440, 0.5, 22050, 1)));
    f.ctx.inputs.inputTitle = row.title;
    bool anyFileSeen = false;
    f.host.onPump = [&] { anyFileSeen = anyFileSeen || !f.output.entries().empty(); };

    EXPECT_EQ(f.run().outcome, row.files.empty() ? JobOutcome::Failed : JobOutcome::Finished);
    EXPECT_EQ(f.output.entries(), row.files);
    // Refused before the work: not even a temporary file was made.
    if (row.files.empty()) {
      EXPECT_FALSE(anyFileSeen);
    }
    if (row.check) row.check(f);
  }
}

}  // namespace
}  // namespace sonaflux
