#include "tests/support/job_fixture.h"

#include <gtest/gtest.h>

#include "settings/parameters_file.h"
#include "tests/support/program_copy.h"

namespace sonaflux::test {

JobFixture::JobFixture() {
  copyJobFiles(program.path());
  ctx.paths.programFolder = program.path();
  ctx.paths.desktopFolder = output.path();
  ctx.settings = testSettings(output.path());
  saveSettings();
  host.cancelTarget = &ctx;
}

std::string JobFixture::setInput(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::string path = inputs.file(name);
  writeFileBytes(path, bytes);
  ctx.inputs.inputPath = path;
  ctx.inputs.inputIsWav = name.ends_with(".wav");
  ctx.inputs.inputTitle = "Title";
  return path;
}

void JobFixture::saveSettings() { ASSERT_TRUE(saveParameters(ctx)); }

std::int32_t JobFixture::numberOnDisk() const { return readOutputNumberOnDisk(program.path()).value_or(-1); }

JobReport JobFixture::run() { return runCreateCommand(ctx, {&read, &decode, &compress, &write}); }

}  // namespace sonaflux::test
