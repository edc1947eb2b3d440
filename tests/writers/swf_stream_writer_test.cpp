#include "writers/swf_stream_writer.h"
#include "writers/swf_tags.h"

#include <functional>
#include <gtest/gtest.h>

#include "core/page_for.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/swf_walker.h"
#include "tests/writers/writing_stage_fixture.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::concat;
using test::WritingStageFixture;

constexpr std::uint16_t kSoundStreamBlock = 19;

// Every frame numbered so that each differs.
Bytes frame(int number, bool padded = false) { return test::streamFrame(static_cast<std::uint8_t>(number + 1), padded); }

Bytes repeat(int count, const std::function<Bytes(int)>& make) {
  Bytes out;
  for (int i = 0; i < count; ++i) out = concat({out, make(i)});
  return out;
}

Bytes silence(int frames) { return repeat(frames, [](int) { return test::streamFrame(0); }); }

// The template the build puts in the program folder, worked out field by field.
const Bytes kTemplate = {
    'F', 'W', 'S', 6,        // uncompressed SWF, version 6
    0x00, 0x00, 0x00, 0x00,  // FileLength, patched by the writer
    // RECT, 10-bit fields: Nbits 01010 | Xmin 0 | Xmax 400 = 0110010000 | Ymin 0 |
    // Ymax 400 = 0110010000 | 3 padding bits
    0b01010'000, 0b0000000'0, 0b11001000, 0b0'0000000, 0b000'01100, 0b10000'000,
    0x00, 0x01,              // frame rate 8.8: 1.0 frame per second
    0x00, 0x00,              // FrameCount, patched by the writer
    0x43, 0x02, 0xFF, 0xFF, 0xFF,  // SetBackgroundColor: code 9 << 6 | length 3 = 0x0243, then white
    0x86, 0x04,              // SoundStreamHead: code 18 << 6 | length 6 = 0x0486
    0b0000'10'1'0,           // reserved | playback 22 kHz | 16-bit | mono
    0b0010'10'1'0,           // MP3 | 22 kHz | 16-bit | mono
    0x22, 0x56,              // StreamSoundSampleCount 22050 = 0x5622
    0x00, 0x00,              // LatencySeek 0
    0x40, 0x00,              // ShowFrame: code 1 << 6 | length 0
};

TEST(StreamTemplate, ProgramFolderHoldsTheHandDerivedHeader) {
  ASSERT_EQ(kTemplate.size(), kStreamTemplateSize);
  EXPECT_EQ(test::readFileBytes(test::programFolder() + "snx.da1"), kTemplate);
  EXPECT_EQ(streamHeaderTemplate(), kTemplate);
}

TEST(SwfStreamWriter, OneFrameGivesTheHandDerivedFile) {
  Bytes expected = kTemplate;
  expected[4] = 0xAD, expected[5] = 0x0C;  // FileLength 33 + (10 + 41 x 78 + 2) + 2 = 3245
  expected[16] = 2;                         // FrameCount: the template's frame and the block's
  // Long header of SoundStreamBlock (19 << 6 | 0x3F = 0x04FF), length 4 + 41 x 78 = 0x0C82,
  // SampleCount 41 x 576 = 0x5C40, SeekSamples 1680 = 0x0690; then ShowFrame and End.
  expected = concat({expected, {0xFF, 0x04, 0x82, 0x0C, 0x00, 0x00, 0x40, 0x5C, 0x90, 0x06}, frame(0), silence(40),
                     {0x40, 0x00, 0x00, 0x00}});
  WritingStageFixture fx;
  fx.prepare(frame(0));
  fx.run();
  EXPECT_EQ(fx.streamBytes(), expected);
  EXPECT_FALSE(fx.ctx.job.jobFailed);
  EXPECT_TRUE(fx.host.messages.empty());
}

TEST(SwfStreamWriter, CopiesFramesWholeWhereverTheStreamEnds) {
  const Bytes full = frame(0), padded = frame(1, true);
  const Bytes paddedCut(padded.begin(), padded.begin() + 40);
  const struct {
    const char* name;
    Bytes stream;
    Bytes frames;  // what the block and the MP3 file hold before the silent fill
    int silentFrames;
    std::uint16_t length;
  } rows[] = {
      {"padded frame counts 79", concat({padded, full}), concat({padded, full}), 39, 4 + 79 + 78 + 39 * 78},
      {"ends inside a padded frame", concat({full, paddedCut}), concat({full, paddedCut, Bytes(39, 0)}), 39, 3203},
      // A header cut after two bytes reads its third byte as 0: no padding.
      {"ends inside a header", Bytes{0xFF, 0xF3}, concat({Bytes{0xFF, 0xF3}, Bytes(76, 0)}), 40, 3202},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WritingStageFixture fx;
    fx.ctx.settings.pageFor = PageFor::EveryBrowser;
    fx.prepare(row.stream);
    fx.run();
    auto swf = test::walkSwf(fx.streamBytes());
    ASSERT_TRUE(swf);
    auto blocks = swf->tagsWithCode(kSoundStreamBlock);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0]->length, row.length);
    EXPECT_EQ(blocks[0]->body, concat({{0x40, 0x5C, 0x90, 0x06}, row.frames, silence(row.silentFrames)}));
    EXPECT_EQ(test::readFileBytes(fx.output.file("snx1.mp3")), row.frames);
  }
}

TEST(SwfStreamWriter, FollowsTheSeekAndFrameCycleOverManyBlocks) {
  // After the 41-frame first block, the start moves 108 samples on per block
  // (modulo 576); starts beyond 412 take 39 frames: 613 frames in 16 blocks.
  const std::pair<int, int> expected[] = {  // SeekSamples, frames
      {1680, 41}, {60, 38},  {168, 38}, {276, 38}, {384, 38}, {492, 39}, {24, 38},  {132, 38}, {240, 38}, {348, 38},
      {456, 39},  {564, 39}, {96, 38},  {204, 38}, {312, 38}, {420, 39}, {528, 39}, {60, 38},  {168, 38},
  };
  // 41 + 613 + 38 frames fill 18 blocks; one more frame opens the 19th.
  const Bytes stream = repeat(41 + 613 + 38 + 1, [](int i) { return frame(i, i % 7 == 0); });
  WritingStageFixture fx;
  fx.ctx.settings.pageFor = PageFor::EveryBrowser;
  fx.prepare(stream);
  fx.run();

  const Bytes file = fx.streamBytes();
  std::string error;
  auto swf = test::walkSwf(file, &error);
  ASSERT_TRUE(swf) << error;
  auto blocks = swf->tagsWithCode(kSoundStreamBlock);
  ASSERT_EQ(blocks.size(), std::size(expected));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i + 1));
    const Bytes& body = blocks[i]->body;
    auto frames = test::walkLayer3Frames(std::span(body).subspan(4));
    ASSERT_TRUE(frames);
    EXPECT_TRUE(blocks[i]->longHeader);
    const auto [seekSamples, frameCount] = expected[i];
    EXPECT_EQ(body[2] | body[3] << 8, seekSamples);
    EXPECT_EQ(static_cast<int>(frames->size()), frameCount);
    EXPECT_EQ(body[0] | body[1] << 8, frameCount * 576);
    EXPECT_EQ((blocks[i] + 1)->code, 1) << "ShowFrame after every block";
  }
  EXPECT_EQ(swf->fileLength, file.size());
  EXPECT_EQ(swf->frameCount, 20);
  EXPECT_EQ(swf->showFrames(), 20);
  // The stream, then 37 silent frames; the MP3 file gets the stream alone.
  EXPECT_EQ(test::soundStreamData(*swf), concat({stream, silence(37)}));
  EXPECT_EQ(test::readFileBytes(fx.output.file("snx1.mp3")), stream);
  EXPECT_NE(fx.page().find("data-src=\"snx1.mp3\""), std::string::npos);
}

TEST(SwfStreamWriter, StopsAtTheFrameLimitAndFinishesTheFile) {
  // 15 999 blocks hold 41 + 999 cycles of 613 frames (15 985 blocks) + the
  // first 14 blocks of the cycle (38 x 11 + 39 x 3 = 535 frames).
  const std::int64_t framesAtLimit = 41 + 999 * 613 + 535;
  for (std::int64_t frames : {framesAtLimit, framesAtLimit + 1}) {
    SCOPED_TRACE(frames);
    WritingStageFixture fx;
    fx.prepareSparse(frames * 78);  // zero headers read as 78-byte frames
    fx.run();
    std::vector<std::string> expected;
    if (frames > framesAtLimit) expected = {"Error: Output truncated because the maximum audio length has been reached."};
    EXPECT_EQ(fx.host.texts(), expected);
    for (const auto& m : fx.host.messages) EXPECT_EQ(m.icon, MessageIcon::None);
    EXPECT_FALSE(fx.ctx.job.jobFailed);
    const Bytes file = fx.streamBytes();
    std::string error;
    auto swf = test::walkSwf(file, &error);
    ASSERT_TRUE(swf) << error;
    EXPECT_EQ(swf->frameCount, 16000);
    EXPECT_EQ(swf->showFrames(), 16000);
    EXPECT_EQ(swf->fileLength, file.size());
    EXPECT_EQ(test::soundStreamData(*swf).size(), static_cast<std::size_t>(framesAtLimit * 78));
    EXPECT_FALSE(fx.page().empty());
  }
}

// Each failure shows its one message (none for a cancel), fails the job and
// leaves the page unwritten.
TEST(SwfStreamWriter, FailuresStopTheStageBeforeThePage) {
  using Spoil = std::function<std::string(WritingStageFixture&)>;
  auto templateOf = [](int size) -> Spoil {
    return [size](WritingStageFixture& fx) {
      const std::string path = fx.program.file("snx.da1");
      if (size < 0) std::filesystem::remove(path);
      else std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
      return "Error: Cannot open data file \"" + path + "\".";
    };
  };
  auto fullDisk = [](File JobState::*handle) -> Spoil {
    return [handle](WritingStageFixture& fx) {
      EXPECT_TRUE((fx.ctx.job.*handle).openExisting("/dev/full", FileAccess::ReadWrite, false));
      return std::string("Error: Cannot write file.");
    };
  };
  const struct {
    const char* name;
    std::int32_t outputMode;
    Spoil spoil;
    int streamBytes;  // what is left of the animation; -1: not looked at
  } rows[] = {
      {"template missing", kOutputModeBareLooping, templateOf(-1), 0},
      {"template empty", kOutputModeBareLooping, templateOf(0), 0},
      {"template one byte short", kOutputModeBareLooping, templateOf(32), 0},
      {"controller missing", kOutputModeController,
       [](WritingStageFixture& fx) {
         std::filesystem::remove(fx.program.file("Controllers/Classic01150040.swf"));
         return "Error: Cannot open controller \"" + fx.program.file("Controllers/Classic01150040.swf") + "\".";
       },
       33},
      {"streaming animation on a full disk", kOutputModeBareLooping, fullDisk(&JobState::streamOutHandle), -1},
      {"controller on a full disk", kOutputModeController, fullDisk(&JobState::controllerOutHandle), -1},
      {"page on a full disk", kOutputModeBareOnce, fullDisk(&JobState::htmlFile), -1},
      // Five frames read, the unfinished block left out: only the template is written.
      {"cancelled", kOutputModeBareLooping, [](WritingStageFixture& fx) { fx.host.cancelOnPump = fx.host.pumps + 5; return std::string(); },
       33},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WritingStageFixture fx(row.outputMode);
    fx.addController(Bytes(1000, 0x5A));
    fx.prepare(repeat(60, [](int i) { return frame(i); }));
    const std::string message = row.spoil(fx);
    fx.run();
    EXPECT_EQ(fx.host.texts(), message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    for (const auto& m : fx.host.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    EXPECT_TRUE(fx.ctx.job.jobFailed);
    EXPECT_EQ(fx.ctx.job.jobCancelled, message.empty());
    if (row.streamBytes >= 0) {
      EXPECT_EQ(fx.streamBytes().size(), static_cast<std::size_t>(row.streamBytes));
    }
    EXPECT_TRUE(fx.page().empty());
  }
}

TEST(ControllerCopy, CopiesTheControllerByteForByteForControllerOutputOnly) {
  // Sizes around the copy buffer's 64 KiB; bare output fails if it so much as looks for the controller.
  const std::pair<std::int32_t, std::size_t> rows[] = {
      {kOutputModeController, 0},     {kOutputModeController, 1},     {kOutputModeController, 65535},
      {kOutputModeController, 65536}, {kOutputModeController, 65537}, {kOutputModeController, 200000},
      {kOutputModeBareLooping, 100},  {kOutputModeBareOnce, 100},
  };
  for (const auto& [mode, size] : rows) {
    SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << size << " bytes");
    WritingStageFixture fx(mode);
    Bytes controller(size);
    for (std::size_t i = 0; i < size; ++i) controller[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    const bool copied = mode == kOutputModeController;
    if (copied) fx.addController(controller);
    else std::filesystem::remove_all(fx.program.file("Controllers"));
    fx.prepare(frame(0));
    fx.run();
    EXPECT_TRUE(fx.host.messages.empty());
    EXPECT_FALSE(fx.ctx.job.jobFailed);
    if (copied) {
      EXPECT_EQ(test::readFileBytes(fx.output.file("snx1c.swf")), controller);
    } else {
      EXPECT_FALSE(std::filesystem::exists(fx.output.file("snx1c.swf")));
    }
  }
}

}  // namespace
}  // namespace sonaflux
