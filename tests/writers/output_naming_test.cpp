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
  const struct {
    const char* folder;
    bool valid;
  } rows[] = {
      {"/", true},          {"/srv/www/", true}, {"/srv/www", false},
      {"srv/www/", false},  {"", false},         {"./", false},
      {"//server/share/", true},  // still an absolute path here
  };
  for (const auto& row : rows) EXPECT_EQ(isValidOutputFolderPath(row.folder), row.valid) << row.folder;
}

TEST(OutputNaming, FolderWithoutFinalSeparatorGetsOne) {
  NamingFixture f;
  std::string folder = f.out.path();
  folder.pop_back();
  f.ctx.settings.outputFolderPath = folder;
  checkOutputFolder(f.ctx);
  EXPECT_FALSE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.ctx.job.outputFolder, f.out.path());
}

TEST(OutputNaming, DesktopSettingUsesTheDesktopFolder) {
  NamingFixture f;
  f.ctx.settings.toDesktop = true;
  f.ctx.settings.outputFolderPath = "relative/ignored";
  checkOutputFolder(f.ctx);
  EXPECT_FALSE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.ctx.job.outputFolder, f.out.path());
}

TEST(OutputNaming, RefusesInvalidAndMissingFolders) {
  const struct {
    std::string folder;
    const char* message;
  } rows[] = {
      {"", "Error: Invalid output folder. Select a valid folder in \"Options\"."},
      {"web/out", "Error: Invalid output folder. Select a valid folder in \"Options\"."},
      {"/nonexistent-sonaflux/out", "Error: Output folder not found. Select a valid folder in \"Options\"."},
  };
  for (const auto& row : rows) {
    NamingFixture f;
    f.ctx.settings.outputFolderPath = row.folder;
    checkOutputFolder(f.ctx);
    EXPECT_TRUE(f.ctx.job.jobFailed) << row.folder;
    ASSERT_EQ(f.host.messages.size(), 1u) << row.folder;
    EXPECT_EQ(f.host.messages[0].text, row.message);
    EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Exclamation);
  }
}

TEST(OutputNaming, AnEmptyExistingFolderIsFound) {
  NamingFixture f;
  checkOutputFolder(f.ctx);
  EXPECT_FALSE(f.ctx.job.jobFailed);
  EXPECT_TRUE(f.host.messages.empty());
}

TEST(OutputNaming, BaseNameAndFileNames) {
  NamingFixture f;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  EXPECT_EQ(f.ctx.job.outputBaseName, "snx7");
  EXPECT_EQ(streamAnimationPath(f.ctx), f.out.path() + "snx7s.swf");
  EXPECT_EQ(controllerAnimationPath(f.ctx), f.out.path() + "snx7c.swf");
  EXPECT_EQ(htmlPagePath(f.ctx), f.out.path() + "snx7.htm");
  f.ctx.settings.nextOutputNumber = 12;
  makeOutputBaseName(f.ctx);
  EXPECT_EQ(f.ctx.job.outputBaseName, "snx12");
}

TEST(OutputNaming, AsksWithTheSingularWordingForOneFile) {
  NamingFixture f;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  test::writeFileText(f.out.file("snx7.htm"), "old");
  f.host.answers.push_back(MessageAnswer::Yes);
  askBeforeOverwriting(f.ctx);
  EXPECT_FALSE(f.ctx.job.jobFailed);
  ASSERT_EQ(f.host.messages.size(), 1u);
  EXPECT_EQ(f.host.messages[0].text, "Is it OK to overwrite this file:\n" + f.out.path() + "snx7.htm");
  EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Question);
  EXPECT_EQ(f.host.messages[0].buttons, MessageButtons::YesNo);
}

TEST(OutputNaming, AsksWithThePluralWordingControllerFirstAndNoFailsTheJob) {
  NamingFixture f;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  for (const char* name : {"snx7.htm", "snx7s.swf", "snx7c.swf", "snx7.tmp1"}) test::writeFileText(f.out.file(name), "old");
  f.host.answers.push_back(MessageAnswer::No);
  askBeforeOverwriting(f.ctx);
  EXPECT_TRUE(f.ctx.job.jobFailed);
  ASSERT_EQ(f.host.messages.size(), 1u);
  const std::string& folder = f.out.path();
  EXPECT_EQ(f.host.messages[0].text, "Is it OK to overwrite these files:\n" + folder + "snx7c.swf\n" + folder +
                                         "snx7s.swf\n" + folder + "snx7.htm");
  EXPECT_EQ(test::readFileText(f.out.file("snx7.htm")), "old");
}

TEST(OutputNaming, BareOutputDoesNotAskAboutAControllerAnimation) {
  NamingFixture f;
  f.ctx.settings.outputMode = kOutputModeBareOnce;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  test::writeFileText(f.out.file("snx7c.swf"), "old");
  askBeforeOverwriting(f.ctx);
  EXPECT_TRUE(f.host.messages.empty());
  EXPECT_FALSE(f.ctx.job.jobFailed);
}

TEST(OutputNaming, ALockedFileIsNotCountedAndCannotBeCreated) {
  NamingFixture f;
  f.ctx.settings.outputMode = kOutputModeBareLooping;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  test::writeFileText(f.out.file("snx7s.swf"), "old");
  File otherProgram;
  ASSERT_TRUE(otherProgram.openExisting(f.out.file("snx7s.swf"), FileAccess::Read, true));
  askBeforeOverwriting(f.ctx);
  EXPECT_TRUE(f.host.messages.empty());
  createOutputFiles(f.ctx);
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot create output file \"" + f.out.path() + "snx7s.swf\"."});
}

TEST(OutputNaming, CreatesTheSetOpenForTheWriters) {
  NamingFixture f;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  test::writeFileText(f.out.file("snx7s.swf"), "old contents");
  createOutputFiles(f.ctx);
  ASSERT_FALSE(f.ctx.job.jobFailed);
  EXPECT_TRUE(f.ctx.job.streamOutHandle.isOpen());
  EXPECT_TRUE(f.ctx.job.controllerOutHandle.isOpen());
  EXPECT_TRUE(f.ctx.job.htmlFile.isOpen());
  EXPECT_EQ(f.out.entries(), (std::vector<std::string>{"snx7.htm", "snx7c.swf", "snx7s.swf"}));
  EXPECT_EQ(std::filesystem::file_size(f.out.file("snx7s.swf")), 0u);
}

TEST(OutputNaming, CreationFailureNamesTheFile) {
  NamingFixture f;
  checkOutputFolder(f.ctx);
  makeOutputBaseName(f.ctx);
  // A folder in the way makes the creation fail, even for root.
  std::filesystem::create_directory(f.out.file("snx7c.swf"));
  createOutputFiles(f.ctx);
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot create output file \"" + f.out.path() + "snx7c.swf\"."});
  EXPECT_TRUE(f.ctx.job.streamOutHandle.isOpen());
}

}  // namespace
}  // namespace sonaflux
