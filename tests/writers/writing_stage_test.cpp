#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "core/file_routines.h"
#include "core/page_for.h"
#include "tests/support/ffmpeg_tools.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/program_copy.h"
#include "tests/support/stage_fixture.h"
#include "tests/support/stream_checks.h"
#include "tests/support/swf_walker.h"
#include "tests/support/wav_fixture.h"
#include "writers/output_naming.h"
#include "writers/sound_stream_tags.h"
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

  Bytes streamBytes() const { return test::readFileBytes(output.file("snx1s.swf")); }
  std::string page() const { return test::readFileText(output.file("snx1.htm")); }

  test::TempFolder program, output;
};

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

// The template the build puts in the program folder, worked out field by field.
const Bytes kTemplate = {
    'F', 'W', 'S', 6, 0x00, 0x00, 0x00, 0x00,  // uncompressed SWF, version 6; FileLength, patched by the writer
    // RECT, 10-bit fields: Nbits 01010 | Xmin 0 | Xmax 400 = 0110010000 | Ymin 0 |
    // Ymax 400 = 0110010000 | 3 padding bits
    0b01010'000, 0b0000000'0, 0b11001000, 0b0'0000000, 0b000'01100, 0b10000'000, 0x00, 0x01, 0x00,
    0x00,                          // frame rate 8.8: 1.0 frame per second; FrameCount, patched by the writer
    0x43, 0x02, 0xFF, 0xFF, 0xFF,  // SetBackgroundColor: code 9 << 6 | length 3 = 0x0243, then white
    0x86, 0x04,                    // SoundStreamHead: code 18 << 6 | length 6 = 0x0486
    0b0000'10'1'0,                 // reserved | playback 22 kHz | 16-bit | mono
    0b0010'10'1'0,                 // MP3 | 22 kHz | 16-bit | mono
    0x22, 0x56, 0x00, 0x00,        // StreamSoundSampleCount 22050 = 0x5622, LatencySeek 0
    0x40, 0x00,                    // ShowFrame: code 1 << 6 | length 0
};

TEST(StreamTemplate, ProgramFolderHoldsTheHandDerivedHeader) {
  ASSERT_EQ(kTemplate.size(), kStreamTemplateSize);
  EXPECT_EQ(test::readFileBytes(test::programFolder() + "snx.da1"), kTemplate);
  EXPECT_EQ(streamHeaderTemplate(), kTemplate);
}

TEST(SwfStreamWriter, OneFrameGivesTheHandDerivedFile) {
  Bytes expected = kTemplate;
  expected[4] = 0xAD, expected[5] = 0x0C;  // FileLength 33 + (10 + 41 x 78 + 2) + 2 = 3245
  expected[16] = 2;                        // FrameCount: the template's frame and the block's
  // Long header of SoundStreamBlock (19 << 6 | 0x3F = 0x04FF), length 4 + 41 x 78 = 0x0C82,
  // SampleCount 41 x 576 = 0x5C40, SeekSamples 1680 = 0x0690; then ShowFrame and End.
  expected = concat({expected,
                     {0xFF, 0x04, 0x82, 0x0C, 0x00, 0x00, 0x40, 0x5C, 0x90, 0x06},
                     frame(0),
                     silence(40),
                     {0x40, 0x00, 0x00, 0x00}});
  WritingStageFixture fx;
  fx.prepare(frame(0));
  fx.run();
  EXPECT_EQ(fx.streamBytes(), expected);
  EXPECT_EQ(std::pair(fx.host.texts().empty(), fx.ctx.job.jobFailed), std::pair(true, false));
}

TEST(SwfStreamWriter, CopiesFramesWholeWhereverTheStreamEnds) {
  const Bytes full = frame(0), padded = frame(1, true);
  const Bytes paddedCut(padded.begin(), padded.begin() + 40);
  // Name, stream, what the block and the MP3 file hold before the silent fill, silent frames.
  const std::tuple<const char*, Bytes, Bytes, int> rows[] = {
      {"ends inside a padded frame", concat({full, paddedCut}), concat({full, paddedCut, Bytes(39, 0)}), 39},
      // A header cut after two bytes reads its third byte as 0: no padding.
      {"ends inside a header", Bytes{0xFF, 0xF3}, concat({Bytes{0xFF, 0xF3}, Bytes(76, 0)}), 40},
  };
  for (const auto& [name, stream, frames, silentFrames] : rows) {
    SCOPED_TRACE(name);
    WritingStageFixture fx;
    fx.ctx.settings.pageFor = PageFor::EveryBrowser;
    fx.prepare(stream);
    fx.run();
    auto swf = test::walkSwf(fx.streamBytes());
    ASSERT_TRUE(swf);
    auto blocks = swf->tagsWithCode(kSoundStreamBlock);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0]->body, concat({{0x40, 0x5C, 0x90, 0x06}, frames, silence(silentFrames)}));
    EXPECT_EQ(test::readFileBytes(fx.output.file("snx1.mp3")), frames);
  }
}

TEST(SwfStreamWriter, FollowsTheSeekAndFrameCycleOverManyBlocks) {
  // After the 41-frame first block, the start moves 108 samples on per block
  // (modulo 576); starts beyond 412 take 39 frames: 613 frames in 16 blocks.
  const std::pair<int, int> expected[] = {
      // SeekSamples, frames
      {1680, 41}, {60, 38},  {168, 38}, {276, 38}, {384, 38}, {492, 39}, {24, 38},  {132, 38}, {240, 38}, {348, 38},
      {456, 39},  {564, 39}, {96, 38},  {204, 38}, {312, 38}, {420, 39}, {528, 39}, {60, 38},  {168, 38},
  };
  // 41 + 613 + 38 frames fill 18 blocks; one more frame opens the 19th.
  const Bytes stream = repeat(41 + 613 + 38 + 1, [](int i) { return frame(i, i % 7 == 0); });
  WritingStageFixture fx;
  fx.prepare(stream);
  fx.run();

  const Bytes file = fx.streamBytes();
  auto swf = test::walkSwf(file);
  ASSERT_TRUE(swf);
  auto blocks = swf->tagsWithCode(kSoundStreamBlock);
  ASSERT_EQ(blocks.size(), std::size(expected));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i + 1));
    const Bytes& body = blocks[i]->body;
    auto frames = test::walkLayer3Frames(std::span(body).subspan(4));
    ASSERT_TRUE(frames);
    const auto [seekSamples, frameCount] = expected[i];
    EXPECT_EQ(std::tuple(body[2] | body[3] << 8, static_cast<int>(frames->size()), body[0] | body[1] << 8),
              std::tuple(seekSamples, frameCount, frameCount * 576));
    EXPECT_EQ((blocks[i] + 1)->code, 1) << "ShowFrame after every block";
  }
  EXPECT_EQ(std::tuple(swf->fileLength, swf->frameCount, swf->showFrames()), std::tuple(file.size(), 20, 20));
  // The stream, then 37 silent frames.
  EXPECT_EQ(test::soundStreamData(*swf), concat({stream, silence(37)}));
}

TEST(SwfStreamWriter, StopsAtTheFrameLimitAndFinishesTheFile) {
  // 15 999 blocks hold 41 + 999 cycles of 613 frames (15 985 blocks) + the
  // first 14 blocks of the cycle (38 x 11 + 39 x 3 = 535 frames).
  const std::int64_t framesAtLimit = 41 + 999 * 613 + 535;
  for (std::int64_t frames : {framesAtLimit, framesAtLimit + 1}) {
    SCOPED_TRACE(frames);
    WritingStageFixture fx;
    fx.prepare({}, static_cast<std::uintmax_t>(frames * 78));  // zero headers read as 78-byte frames
    fx.run();
    const std::string truncated = "Error: Output truncated because the maximum audio length has been reached.";
    EXPECT_EQ(fx.host.texts(), frames > framesAtLimit ? std::vector{truncated} : std::vector<std::string>{});
    for (const auto& m : fx.host.messages) EXPECT_EQ(m.icon, MessageIcon::None);
    EXPECT_EQ(std::pair(fx.ctx.job.jobFailed, fx.page().empty()), std::pair(false, false));
    const Bytes file = fx.streamBytes();
    auto swf = test::walkSwf(file);
    ASSERT_TRUE(swf);
    EXPECT_EQ(std::tuple(swf->fileLength, swf->frameCount, swf->showFrames()), std::tuple(file.size(), 16000, 16000));
    EXPECT_EQ(test::soundStreamData(*swf).size(), static_cast<std::size_t>(framesAtLimit * 78));
  }
}

// Each failure shows its one message (none for a cancel), fails the job and
// leaves the page unwritten.
TEST(SwfStreamWriter, FailuresStopTheStageBeforeThePage) {
  const std::string noTemplate = "Error: Cannot open data file \"<program>snx.da1\".";
  const std::string noController = "Error: Cannot open controller \"<program>Controllers/Classic01150040.swf\".";
  const std::string fullDisk = "Error: Cannot write file.";
  const auto controllerOut = &JobState::controllerOutHandle;
  // Name, output mode, template size (-1: removed; 33: as built), controller removed, cancelled, the file
  // on a full disk, the message, what is left of the animation (-1: not looked at).
  const std::tuple<const char*, std::int32_t, int, bool, bool, File JobState::*, std::string, int> rows[] = {
      {"template missing", kOutputModeBareLooping, -1, false, false, nullptr, noTemplate, 0},
      {"template one byte short", kOutputModeBareLooping, 32, false, false, nullptr, noTemplate, 0},
      // Gone since the job checked it.
      {"controller missing", kOutputModeController, 33, true, false, nullptr, noController, 33},
      {"animation on a full disk", kOutputModeBareLooping, 33, false, false, &JobState::streamOutHandle, fullDisk, -1},
      {"controller on a full disk", kOutputModeController, 33, false, false, controllerOut, fullDisk, -1},
      {"page on a full disk", kOutputModeBareOnce, 33, false, false, &JobState::htmlFile, fullDisk, -1},
      // Five frames read, the unfinished block left out: only the template is written.
      {"cancelled", kOutputModeBareLooping, 33, false, true, nullptr, "", 33},
  };
  for (const auto& [name, outputMode, templateSize, removeController, cancel, onFullDisk, expected, left] : rows) {
    SCOPED_TRACE(name);
    WritingStageFixture fx(outputMode);
    if (!removeController) fx.addController(Bytes(1000, 0x5A));
    fx.prepare(repeat(60, [](int i) { return frame(i); }));
    const std::string dataFile = fx.program.file("snx.da1");
    if (templateSize < 0)
      std::filesystem::remove(dataFile);
    else
      std::filesystem::resize_file(dataFile, static_cast<std::uintmax_t>(templateSize));
    if (cancel) fx.host.cancelOnPump = fx.host.pumps + 5;
    if (onFullDisk) {
      ASSERT_TRUE((fx.ctx.job.*onFullDisk).openExisting("/dev/full", FileAccess::ReadWrite, false));
    }
    fx.run();
    std::string message = expected;
    if (auto at = message.find("<program>"); at != std::string::npos) message.replace(at, 9, fx.program.path());
    EXPECT_EQ(fx.host.texts(), message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    for (const auto& m : fx.host.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    EXPECT_EQ(std::tuple(fx.ctx.job.jobFailed, fx.ctx.job.jobCancelled, fx.page()), std::tuple(true, cancel, ""));
    if (left >= 0) {
      EXPECT_EQ(fx.streamBytes().size(), static_cast<std::size_t>(left));
    }
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
    if (copied)
      fx.addController(controller);
    else
      std::filesystem::remove_all(fx.program.file("Controllers"));
    fx.prepare(frame(0));
    fx.run();
    EXPECT_EQ(std::pair(fx.host.texts().empty(), fx.ctx.job.jobFailed), std::pair(true, false));
    const std::string copy = fx.output.file("snx1c.swf");
    EXPECT_EQ(std::filesystem::exists(copy) ? std::optional(test::readFileBytes(copy)) : std::nullopt,
              copied ? std::optional(controller) : std::nullopt);
  }
}

TEST(OutputNaming, ChoosesTheOutputFolderOrRefusesIt) {
  // To the desktop, folder setting, message (empty: the output folder is chosen).
  const std::tuple<bool, std::string, std::string> rows[] = {
      {true, "relative/ignored", ""},
      {false, "", "Error: Invalid output folder. Select a valid folder in \"Options\"."},
  };
  for (const auto& [toDesktop, folder, message] : rows) {
    SCOPED_TRACE(folder);
    WritingStageFixture fx;
    const std::string& out = fx.output.path();
    fx.ctx.paths.desktopFolder = out;
    fx.ctx.settings.toDesktop = toDesktop;
    fx.ctx.settings.outputFolderPath = folder;
    checkOutputFolder(fx.ctx);
    EXPECT_EQ(fx.ctx.job.jobFailed, !message.empty());
    EXPECT_EQ(fx.host.texts(), message.empty() ? std::vector<std::string>{} : std::vector{message});
    if (message.empty()) {
      EXPECT_EQ(fx.ctx.job.outputFolder, out);
    }
  }
}

TEST(OutputNaming, AsksBeforeOverwritingTheFilesOfTheSet) {
  // Name, output mode, files already there, the answer, the files listed (empty: no question).
  const std::tuple<const char*, std::int32_t, std::vector<std::string>, MessageAnswer, std::vector<std::string>>
      rows[] = {
          {"one file, Yes", kOutputModeController, {"snx1.htm"}, MessageAnswer::Yes, {"snx1.htm"}},
          // the controller first; temporary files are not part of the set
          {"several files, No",
           kOutputModeController,
           {"snx1.htm", "snx1s.swf", "snx1c.swf", "snx1.tmp1"},
           MessageAnswer::No,
           {"snx1c.swf", "snx1s.swf", "snx1.htm"}},
          {"bare output has no controller file", kOutputModeBareOnce, {"snx1c.swf"}, MessageAnswer::No, {}},
      };
  for (const auto& [name, mode, existing, answer, listed] : rows) {
    SCOPED_TRACE(name);
    WritingStageFixture fx(mode);
    checkOutputFolder(fx.ctx);
    makeOutputBaseName(fx.ctx);
    for (const std::string& file : existing) test::writeFileText(fx.output.file(file), "old");
    fx.host.answers.push_back(answer);
    askBeforeOverwriting(fx.ctx);
    std::string text = listed.size() == 1 ? "Is it OK to overwrite this file:" : "Is it OK to overwrite these files:";
    for (const std::string& file : listed) text += "\n" + fx.output.file(file);
    EXPECT_EQ(fx.host.texts(), listed.empty() ? std::vector<std::string>{} : std::vector<std::string>{text});
    for (const auto& m : fx.host.messages)
      EXPECT_EQ(std::pair(m.icon, m.buttons), std::pair(MessageIcon::Question, MessageButtons::YesNo));
    EXPECT_EQ(fx.ctx.job.jobFailed, !listed.empty() && answer == MessageAnswer::No);
    if (fx.ctx.job.jobFailed || listed.empty()) continue;
    // Yes: the new page is made beside the earlier one, which stays until the set is complete.
    createOutputFiles(fx.ctx);
    ASSERT_FALSE(fx.ctx.job.jobFailed);
    EXPECT_EQ(fx.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1.htm.new", "snx1c.swf", "snx1s.swf"}));
    EXPECT_EQ(test::readFileText(fx.output.file("snx1.htm")), "old");
    completeOutputFiles(fx.ctx);
    EXPECT_EQ(fx.output.entries(), (std::vector<std::string>{"snx1.htm", "snx1c.swf", "snx1s.swf"}));
    EXPECT_EQ(std::filesystem::file_size(fx.output.file("snx1.htm")), 0u);
  }
}

// The streaming animation checked by tools that know nothing of this program:
// the lame command-line encoder makes the stream, ffprobe and ffmpeg read the SWF.
TEST(SwfStreamOracle, FfmpegReadsTheStreamAndBlocksHoldItExactly) {
  test::TempFolder work;
  // About 3 seconds of music-like sound as the compression stage makes it:
  // mono MPEG-2 Layer III, 24 kbit/s constant, 22 050 Hz, no tag frame.
  const Bytes stream = test::encodeWithLame(test::chordSequence(3.0, 22050, 1), 22050, 1,
                                            {"-m", "m", "-b", "24", "--resample", "22.05", "--cbr", "-t"});
  test::writeFileBytes(work.file("source.mp3"), stream);
  // MPEG-2 Layer III without CRC, 24 kbit/s, 22 050 Hz, mono
  ASSERT_TRUE(stream.size() > 6000 && stream[0] == 0xFF && stream[1] == 0xF3 && (stream[2] & 0xFC) == 0x30 &&
              (stream[3] & 0xC0) == 0xC0);

  WritingStageFixture fx;
  fx.prepare(stream);
  fx.run();
  ASSERT_FALSE(fx.ctx.job.jobFailed);
  const std::string swfPath = fx.output.file("snx1s.swf");
  test::expectPlayableStream(swfPath);

  // The SWF decodes to the same samples as the bare stream, then the silence
  // that fills the last block.
  auto fromSwf = test::decodeToPcm(swfPath);
  auto fromMp3 = test::decodeToPcm(work.file("source.mp3"));
  ASSERT_TRUE(fromSwf && fromMp3);
  ASSERT_TRUE(fromMp3->size() > 2u * 22050 && fromSwf->size() >= fromMp3->size());
  EXPECT_TRUE(std::equal(fromMp3->begin(), fromMp3->end(), fromSwf->begin()));
  std::span<const std::int16_t> tail(fromSwf->data() + fromMp3->size(), fromSwf->size() - fromMp3->size());
  EXPECT_LT(test::rmsLevel(tail), 0.001);
}

}  // namespace
}  // namespace sonaflux
