#include "writers/controller_copy.h"

#include <gtest/gtest.h>

#include "tests/writers/writing_stage_fixture.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::WritingStageFixture;

Bytes oneFrame() {
  Bytes f(78, 0);
  f[0] = 0xFF, f[1] = 0xF3, f[2] = 0x30, f[3] = 0xC4;
  return f;
}

TEST(ControllerCopy, CopiesTheControllerByteForByte) {
  // sizes around the copy buffer's 64 KiB
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                           std::size_t{65537}, std::size_t{200000}}) {
    SCOPED_TRACE(size);
    WritingStageFixture fx(kOutputModeController);
    Bytes controller(size);
    for (std::size_t i = 0; i < size; ++i) controller[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    fx.addController(controller);
    fx.prepare(oneFrame());
    fx.run();
    EXPECT_TRUE(fx.host.messages.empty());
    EXPECT_FALSE(fx.ctx.job.jobFailed);
    EXPECT_EQ(test::readFileBytes(fx.output.file("snx1c.swf")), controller);
  }
}

TEST(ControllerCopy, MissingControllerFailsNamingItsPath) {
  WritingStageFixture fx(kOutputModeController);
  fx.prepare(oneFrame());
  fx.run();
  std::string path = fx.program.path() + "Controllers/Classic01150040.swf";
  EXPECT_EQ(controllerPath(fx.ctx), path);
  EXPECT_EQ(fx.host.texts(), std::vector<std::string>{"Error: Cannot open controller \"" + path + "\"."});
  EXPECT_EQ(fx.host.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(fx.ctx.job.jobFailed);
  // the template still goes in, and nothing after it
  EXPECT_EQ(fx.streamBytes().size(), 33u);
  EXPECT_TRUE(fx.page().empty());
}

TEST(ControllerCopy, BareOutputLeavesTheControllersFolderAlone) {
  for (std::int32_t mode : {kOutputModeBareLooping, kOutputModeBareOnce}) {
    SCOPED_TRACE(mode);
    WritingStageFixture fx(mode);
    // a controller that would fail the job if anything tried to open it
    std::filesystem::remove_all(fx.program.file("Controllers"));
    fx.prepare(oneFrame());
    fx.run();
    EXPECT_TRUE(fx.host.messages.empty());
    EXPECT_FALSE(fx.ctx.job.jobFailed);
    EXPECT_FALSE(std::filesystem::exists(fx.output.file("snx1c.swf")));
  }
}

}  // namespace
}  // namespace sonaflux
