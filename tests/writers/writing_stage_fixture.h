#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_routines.h"
#include "tests/support/program_copy.h"
#include "tests/support/stage_fixture.h"
#include "writers/output_naming.h"
#include "writers/swf_stream_writer.h"

namespace sonaflux::test {

// A frame as the encoder writes it: FF F3 30 C4 (32 with the padding bit), then fill bytes.
inline std::vector<std::uint8_t> streamFrame(std::uint8_t fill, bool padded = false) {
  std::vector<std::uint8_t> f(padded ? 79 : 78, fill);
  f[0] = 0xFF, f[1] = 0xF3, f[2] = padded ? 0x32 : 0x30, f[3] = 0xC4;
  return f;
}

// The writing stage on real files: a private program folder with the built
// template, the output set created by the real naming code, and a tmp3 as
// the compression stage leaves it.
class WritingStageFixture : public StageFixture {
 public:
  explicit WritingStageFixture(std::int32_t outputMode = kOutputModeBareLooping) {
    std::filesystem::copy_file(programFolder() + "snx.da1", program.file("snx.da1"));
    std::filesystem::create_directory(program.file("Controllers"));
    ctx.paths.programFolder = program.path();
    ctx.settings = testSettings(output.path());
    ctx.settings.outputMode = outputMode;
    ctx.inputs.inputTitle = "Title";
  }

  void addController(const std::vector<std::uint8_t>& bytes) {
    writeFileBytes(program.file("Controllers/" + ctx.settings.controllerName + ".swf"), bytes);
  }

  void prepare(const std::vector<std::uint8_t>& stream) {
    writeFileBytes(tmp3Path(), stream);
    openOutputs();
  }

  // A tmp3 of zeros without writing them.
  void prepareSparse(std::int64_t size) {
    writeFileBytes(tmp3Path(), {});
    std::filesystem::resize_file(tmp3Path(), static_cast<std::uintmax_t>(size));
    openOutputs();
  }

  void run() {
    writeOutputFiles(ctx);
    for (File* f : {&ctx.job.streamOutHandle, &ctx.job.controllerOutHandle, &ctx.job.htmlFile,
                    &ctx.job.mp3OutHandle, &ctx.job.tmp3Handle})
      closeFile(*f);
  }

  std::string tmp3Path() const { return output.file("snx1.tmp3"); }
  std::vector<std::uint8_t> streamBytes() const { return readFileBytes(output.file("snx1s.swf")); }
  std::string page() const { return readFileText(output.file("snx1.htm")); }

  TempFolder program;
  TempFolder output;

 private:
  void openOutputs() {
    checkOutputFolder(ctx);
    makeOutputBaseName(ctx);
    createOutputFiles(ctx);
    if (!ctx.job.tmp3Handle.openExisting(tmp3Path(), FileAccess::ReadWrite, true)) return;
    ctx.job.tmp3Pos = static_cast<std::int64_t>(*fileSize(tmp3Path())) + 1;
    ctx.job.tmp3Handle.seek(ctx.job.tmp3Pos - 1);
  }
};

}  // namespace sonaflux::test
