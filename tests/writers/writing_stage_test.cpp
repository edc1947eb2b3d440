#include <gtest/gtest.h>
#include <filesystem>
#include <functional>

#include "core/byte_order.h"
#include "core/file_routines.h"
#include "core/page_for.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/program_copy.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/swf_walker.h"
#include "writers/output_naming.h"
#include "writers/swf_stream_writer.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::concat;

// The writing stage on real files: a private program folder with the built
// template, the output set created by the real naming code, and a tmp3 as
// the compression stage leaves it.
struct WritingStageFixture : test::StageFixture {
  explicit WritingStageFixture(std::int32_t outputMode = kOutputModeBareLooping) {
    std::filesystem::copy_file(test::programFolder() + "snx.da1", program.file("snx.da1"));
    std::filesystem::create_directory(program.file("Controllers"));
    ctx.paths.programFolder = program.path();
    ctx.settings = test::testSettings(output.path());
    ctx.settings.outputMode = outputMode;
    ctx.inputs.inputTitle = "Title";
  }

  void addController(const Bytes& bytes) {
    test::writeFileBytes(program.file("Controllers/" + ctx.settings.controllerName + ".swf"), bytes);
  }

  // Creates the output set and a tmp3 holding the stream, or zeros of the
  // given size without writing them.
  void prepare(const Bytes& stream, std::uintmax_t zeros = 0) {
    const std::string tmp3 = output.file("snx1.tmp3");
    test::writeFileBytes(tmp3, stream);
    if (zeros) std::filesystem::resize_file(tmp3, zeros);
    checkOutputFolder(ctx);
    makeOutputBaseName(ctx);
    createOutputFiles(ctx);
    if (!ctx.job.tmp3Handle.openExisting(tmp3, FileAccess::ReadWrite, true)) return;
    ctx.job.tmp3Pos = static_cast<std::int64_t>(*fileSize(tmp3)) + 1;
    ctx.job.tmp3Handle.seek(ctx.job.tmp3Pos - 1);
  }

  void run() {
    writeOutputFiles(ctx);
    for (File* f : {&ctx.job.streamOutHandle, &ctx.job.controllerOutHandle, &ctx.job.htmlFile, &ctx.job.mp3OutHandle,
                    &ctx.job.tmp3Handle})
      closeFile(*f);
  }

  test::SwfFile walked() const {
    return test::walkSwf(test::readFileBytes(output.file("snx1s.swf"))).value_or(test::SwfFile{});
  }
  std::string page() const { return test::readFileText(output.file("snx1.htm")); }

  test::TempFolder program, output;
};

constexpr std::uint16_t kSoundStreamHead = 18;
constexpr std::uint16_t kSoundStreamBlock = 19;

// A frame as the encoder writes it: FF F3 30 C4 (32 with the padding bit), then
// fill bytes numbered so that each frame differs; frame -1 is silence.
Bytes frame(int number, bool padded = false) {
  Bytes f(padded ? 79 : 78, static_cast<std::uint8_t>(number + 1));
  f[0] = 0xFF, f[1] = 0xF3, f[2] = padded ? 0x32 : 0x30, f[3] = 0xC4;
  return f;
}

Bytes repeat(int count, const std::function<Bytes(int)>& make) {
  Bytes out;
  for (int i = 0; i < count; ++i) out = concat({out, make(i)});
  return out;
}

Bytes silence(int frames) {
  return repeat(frames, [](int) { return frame(-1); });
}

// A player takes a frame a second and 22 050 samples of mono MP3 in each.
TEST(SwfStreamWriter, HeaderAnnouncesASecondOf22050HzMonoMp3PerFrame) {
  WritingStageFixture fx;
  fx.prepare(frame(0));
  fx.run();
  const test::SwfFile swf = fx.walked();
  EXPECT_EQ(swf.frameRate, 0x0100);
  EXPECT_TRUE(swf.xMax > 0 && swf.yMax > 0) << "players refuse an empty stage";
  const auto heads = swf.tagsWithCode(kSoundStreamHead);
  ASSERT_EQ(heads.size(), 1u);
  // 22 kHz 16-bit mono for playback and for the MP3 stream, 22 050 samples, no latency.
  EXPECT_EQ(heads[0]->body, (Bytes{0x0A, 0x2A, 0x22, 0x56, 0x00, 0x00}));
}

struct BlockRow {
  int seekSamples;
  int frames;
};

// After the 41-frame first block, the start moves 108 samples on per block
// (modulo 576); starts beyond 412 take 39 frames: 613 frames in 16 blocks.
const BlockRow kBlocks[] = {
    {1680, 41}, {60, 38},  {168, 38}, {276, 38}, {384, 38}, {492, 39}, {24, 38},
    {132, 38},  {240, 38}, {348, 38}, {456, 39}, {564, 39}, {96, 38},  {204, 38},
    {312, 38},  {420, 39}, {528, 39}, {60, 38},  {168, 38},
};

TEST(SwfStreamWriter, BlocksFollowTheSeekAndFrameCycleAndEndInSilence) {
  // 41 + 613 + 38 frames fill 18 blocks; one more frame opens the 19th.
  const Bytes stream = repeat(41 + 613 + 38 + 1, [](int i) { return frame(i, i % 7 == 0); });
  WritingStageFixture fx;
  fx.prepare(stream);
  fx.run();
  const test::SwfFile swf = fx.walked();
  const auto blocks = swf.tagsWithCode(kSoundStreamBlock);
  ASSERT_EQ(blocks.size(), std::size(kBlocks));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i + 1));
    const Bytes& body = blocks[i]->body;
    const auto frames = test::walkLayer3Frames(std::span(body).subspan(4));
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->size(), static_cast<std::size_t>(kBlocks[i].frames));
    EXPECT_EQ(readU16(body, 0), kBlocks[i].frames * 576);
    EXPECT_EQ(readU16(body, 2), kBlocks[i].seekSamples);
    EXPECT_EQ((blocks[i] + 1)->code, 1) << "ShowFrame after every block";
  }
  EXPECT_EQ(swf.fileLength, std::filesystem::file_size(fx.output.file("snx1s.swf")));
  EXPECT_EQ(std::pair(int{swf.frameCount}, swf.showFrames()), std::pair(20, 20));
  EXPECT_EQ(test::soundStreamData(swf), concat({stream, silence(37)}));
}

// The page's sound file holds the frames of the animation, without its silent fill.
TEST(SwfStreamWriter, AFrameCutShortIsFilledWithZerosInTheAnimationAndTheSoundFile) {
  const Bytes padded = frame(1, true);
  const Bytes cut = concat({frame(0), Bytes(padded.begin(), padded.begin() + 40)});
  WritingStageFixture fx;
  fx.ctx.settings.pageFor = PageFor::EveryBrowser;
  fx.prepare(cut);
  fx.run();
  const Bytes whole = concat({cut, Bytes(39, 0)});
  EXPECT_EQ(test::soundStreamData(fx.walked()), concat({whole, silence(39)}));
  EXPECT_EQ(test::readFileBytes(fx.output.file("snx1.mp3")), whole);
}

TEST(SwfStreamWriter, StopsAtTheFrameLimitWithAMessageAndFinishesTheFile) {
  // 15 999 blocks hold 41 + 999 cycles of 613 frames (15 985 blocks) + the
  // first 14 blocks of the cycle (38 x 11 + 39 x 3 = 535 frames); one frame
  // more would open the 16 000th.
  const std::int64_t framesAtLimit = 41 + 999 * 613 + 535;
  WritingStageFixture fx;
  fx.prepare({}, static_cast<std::uintmax_t>((framesAtLimit + 1) * 78));  // zero headers read as 78-byte frames
  fx.run();
  const std::string truncated = "Error: Output truncated because the maximum audio length has been reached.";
  EXPECT_EQ(fx.host.texts(), std::vector{truncated});
  EXPECT_FALSE(fx.page().empty());
  const test::SwfFile swf = fx.walked();
  EXPECT_EQ(std::pair(int{swf.frameCount}, swf.showFrames()), std::pair(16000, 16000));
  EXPECT_EQ(test::soundStreamData(swf).size(), static_cast<std::size_t>(framesAtLimit * 78));
}

struct FailureRow {
  const char* name;
  std::int32_t outputMode;
  std::function<void(WritingStageFixture&)> spoil;
  std::string message;  // with <program> for the program folder
};

void PrintTo(const FailureRow& row, std::ostream* out) { *out << row.name; }

class WritingFailure : public testing::TestWithParam<FailureRow> {};

// One message, the job failed, no sound block after the template and no page.
TEST_P(WritingFailure, StopsTheStageBeforeThePage) {
  const FailureRow& row = GetParam();
  WritingStageFixture fx(row.outputMode);
  fx.addController(Bytes(1000, 0x5A));
  fx.prepare(repeat(60, [](int i) { return frame(i); }));
  row.spoil(fx);
  fx.run();
  std::string message = row.message;
  if (auto at = message.find("<program>"); at != std::string::npos) message.replace(at, 9, fx.program.path());
  EXPECT_EQ(fx.host.texts(), std::vector<std::string>{message});
  EXPECT_TRUE(fx.ctx.job.jobFailed);
  EXPECT_LE(std::filesystem::file_size(fx.output.file("snx1s.swf")), 33u);
  EXPECT_EQ(fx.page(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, WritingFailure,
    testing::Values(
        // A short template would leave its fields in the sound blocks.
        FailureRow{"template_one_byte_short", kOutputModeBareLooping,
                   [](WritingStageFixture& fx) { std::filesystem::resize_file(fx.program.file("snx.da1"), 32); },
                   "Error: Cannot open data file \"<program>snx.da1\"."},
        FailureRow{"controller_gone_since_the_check", kOutputModeController,
                   [](WritingStageFixture& fx) { std::filesystem::remove_all(fx.program.file("Controllers")); },
                   "Error: Cannot open controller \"<program>Controllers/Classic01150040.swf\"."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ControllerCopy, CopiesAControllerOfSeveralBuffersByteForByte) {
  WritingStageFixture fx(kOutputModeController);
  Bytes controller(200000);  // the copy goes 64 KiB at a time
  for (std::size_t i = 0; i < controller.size(); ++i) controller[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  fx.addController(controller);
  fx.prepare(frame(0));
  fx.run();
  EXPECT_FALSE(fx.ctx.job.jobFailed);
  EXPECT_EQ(test::readFileBytes(fx.output.file("snx1c.swf")), controller);
}

TEST(OutputNaming, DesktopSettingWritesToTheDesktopWhateverTheFolderSetting) {
  WritingStageFixture fx;
  fx.ctx.paths.desktopFolder = fx.output.path();
  fx.ctx.settings.toDesktop = true;
  fx.ctx.settings.outputFolderPath = "relative/ignored";
  checkOutputFolder(fx.ctx);
  EXPECT_FALSE(fx.ctx.job.jobFailed);
  EXPECT_EQ(fx.ctx.job.outputFolder, fx.output.path());
}

}  // namespace
}  // namespace sonaflux
