// A controller's twin on the standards page and the preview: taken as it
// stands, or left out for the browser's own controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "writers/controller_copy.h"
#include "writers/every_browser_page.h"

namespace sonaflux {
namespace {

// Markup and script that the job must not touch.
const std::string kTwin = "<svg class=\"a&amp;b\"></svg>\r\n<script>if (1 < 2 && 'x') {}</script>\r\n";

// One read past the limit tells a larger file; taken, it would be cut.
TEST(ControllerTwinFile, LargerThan64KBIsLeftOutWithAMessage) {
  test::TempFolder folder;
  const std::string path = controllerTwinPath(folder.path(), "Mine01100010");
  test::writeFileText(path, std::string(64 * 1024 + 1, '<'));
  test::RecordingHost host;
  EXPECT_EQ(readControllerTwin(host, path), "");
  const std::string message = "Error: The controller page \"" + path + "\" is larger than 64 KB and is not used.";
  EXPECT_EQ(host.texts(), std::vector<std::string>{message});
}

TEST(EveryBrowserPage, TwinTakesThePlaceOfTheBrowsersControls) {
  const std::string page = buildEveryBrowserPage({"A", "FFFFFF", "000000", "snx1.mp3", false, false},
                                                 {.twin = kTwin, .width = 150, .height = 40, .instruction = "d"});
  EXPECT_NE(page.find(kTwin), std::string::npos);
  EXPECT_EQ(page.find(" controls"), std::string::npos);
}

struct JobTwinRow {
  const char* what;
  std::int32_t outputMode;
  std::string controllerName;
  bool used;
};
void PrintTo(const JobTwinRow& row, std::ostream* out) { *out << row.what; }

class JobControllerTwin : public testing::TestWithParam<JobTwinRow> {};

TEST_P(JobControllerTwin, ComesFromTheChosenControllerInItsFolderForControllerOutputOnly) {
  const JobTwinRow& row = GetParam();
  test::TempFolder program;
  std::filesystem::create_directory(program.file("Controllers"));
  test::writeFileText(program.file("Controllers/Mine01100010.htm"), kTwin);
  test::writeFileText(program.file("Outside01100010.htm"), kTwin);
  test::RecordingHost host;
  AppContext ctx(host);
  ctx.paths.programFolder = program.path();
  ctx.settings.outputMode = row.outputMode;
  ctx.settings.controllerName = row.controllerName;
  ctx.settings.instruction = "F";
  const ControllerTwinSlot slot = controllerTwinSlot(ctx);
  EXPECT_EQ(slot.twin, row.used ? kTwin : "");
  if (row.used) {
    EXPECT_EQ(std::tuple(slot.width, slot.height, slot.instruction), std::tuple(100, 10, "f"));
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, JobControllerTwin,
                         testing::Values(JobTwinRow{.what = "controller",
                                                    .outputMode = kOutputModeController,
                                                    .controllerName = "Mine01100010",
                                                    .used = true},
                                         JobTwinRow{.what = "bare",
                                                    .outputMode = kOutputModeBareLooping,
                                                    .controllerName = "Mine01100010",
                                                    .used = false},
                                         JobTwinRow{.what = "out_of_the_folder",
                                                    .outputMode = kOutputModeController,
                                                    .controllerName = "../Outside01100010",
                                                    .used = false}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace sonaflux
