#include "writers/output_naming.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using test::RecordingHost;
using test::TempFolder;

struct NamingFixture {
  TempFolder out;
  RecordingHost host;
  AppContext ctx{host};
  NamingFixture() {
    ctx.paths.desktopFolder = out.path();
    ctx.settings.outputFolderPath = out.path();
    ctx.settings.outputMode = kOutputModeController;
    ctx.settings.instruction = "c";
    ctx.settings.nextOutputNumber = 7;
  }
};

TEST(OutputNaming, ValidFolderPaths) {
  // "//server/share/" is still an absolute path here.
  for (const char* valid : {"/", "/srv/www/", "//server/share/"}) EXPECT_TRUE(isValidOutputFolderPath(valid)) << valid;
  for (const char* invalid : {"/srv/www", "srv/www/", "", "./"}) EXPECT_FALSE(isValidOutputFolderPath(invalid)) << invalid;
}

TEST(OutputNaming, ChoosesTheOutputFolderOrRefusesIt) {
  const std::string invalid = "Error: Invalid output folder. Select a valid folder in \"Options\".";
  const struct {
    const char* name;
    bool toDesktop;
    std::string folder;  // "<out>": the temp folder; "<out>-": without its final separator
    const char* message;  // nullptr: the temp folder is chosen
  } rows[] = {
      {"existing folder", false, "<out>", nullptr},
      {"final separator added", false, "<out>-", nullptr},
      {"desktop ignores the folder setting", true, "relative/ignored", nullptr},
      {"empty", false, "", invalid.c_str()},
      {"relative", false, "web/out", invalid.c_str()},
      {"missing", false, "/nonexistent-sonaflux/out",
       "Error: Output folder not found. Select a valid folder in \"Options\"."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NamingFixture f;
    f.ctx.settings.toDesktop = row.toDesktop;
    const std::string& out = f.out.path();
    f.ctx.settings.outputFolderPath =
        row.folder == "<out>" ? out : row.folder == "<out>-" ? out.substr(0, out.size() - 1) : row.folder;
    checkOutputFolder(f.ctx);
    EXPECT_EQ(f.ctx.job.jobFailed, row.message != nullptr);
    EXPECT_EQ(f.host.texts(), row.message ? std::vector<std::string>{row.message} : std::vector<std::string>{});
    if (!row.message) {
      EXPECT_EQ(f.ctx.job.outputFolder, f.out.path());
    }
  }
}

TEST(OutputNaming, AsksBeforeOverwritingTheFilesOfTheSet) {
  const struct {
    const char* name;
    std::int32_t mode;
    std::vector<std::string> existing;
    MessageAnswer answer;
    std::vector<std::string> listed;  // empty: no question
  } rows[] = {
      {"one file, Yes", kOutputModeController, {"snx7.htm"}, MessageAnswer::Yes, {"snx7.htm"}},
      // the controller first; temporary files are not part of the set
      {"several files, No", kOutputModeController, {"snx7.htm", "snx7s.swf", "snx7c.swf", "snx7.tmp1"},
       MessageAnswer::No, {"snx7c.swf", "snx7s.swf", "snx7.htm"}},
      {"bare output has no controller file", kOutputModeBareOnce, {"snx7c.swf"}, MessageAnswer::No, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NamingFixture f;
    f.ctx.settings.outputMode = row.mode;
    checkOutputFolder(f.ctx);
    makeOutputBaseName(f.ctx);
    for (const std::string& name : row.existing) test::writeFileText(f.out.file(name), "old");
    f.host.answers.push_back(row.answer);
    askBeforeOverwriting(f.ctx);
    if (row.listed.empty()) {
      EXPECT_TRUE(f.host.messages.empty());
      EXPECT_FALSE(f.ctx.job.jobFailed);
      continue;
    }
    std::string text = row.listed.size() == 1 ? "Is it OK to overwrite this file:" : "Is it OK to overwrite these files:";
    for (const std::string& name : row.listed) text += "\n" + f.out.file(name);
    ASSERT_EQ(f.host.texts(), std::vector<std::string>{text});
    EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(f.host.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(f.ctx.job.jobFailed, row.answer == MessageAnswer::No);
    EXPECT_EQ(test::readFileText(f.out.file("snx7.htm")), "old");
    if (row.answer == MessageAnswer::No) continue;
    // Yes: the set is created empty and open for the writers.
    createOutputFiles(f.ctx);
    ASSERT_FALSE(f.ctx.job.jobFailed);
    EXPECT_TRUE(f.ctx.job.streamOutHandle.isOpen() && f.ctx.job.controllerOutHandle.isOpen() &&
              f.ctx.job.htmlFile.isOpen());
    EXPECT_EQ(f.out.entries(), (std::vector<std::string>{"snx7.htm", "snx7c.swf", "snx7s.swf"}));
    EXPECT_EQ(std::filesystem::file_size(f.out.file("snx7.htm")), 0u);
  }
}

}  // namespace
}  // namespace sonaflux
