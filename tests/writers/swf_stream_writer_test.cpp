#include "writers/swf_stream_writer.h"

#include <gtest/gtest.h>

#include "tests/support/mpeg_frames.h"
#include "tests/support/swf_walker.h"
#include "tests/writers/writing_stage_fixture.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::WritingStageFixture;

constexpr std::uint16_t kShowFrame = 1;
constexpr std::uint16_t kSoundStreamBlock = 19;

// Every frame numbered so that each differs.
Bytes frame(int number, bool padded = false) { return test::streamFrame(static_cast<std::uint8_t>(number + 1), padded); }
Bytes silentFrame() { return test::streamFrame(0); }

Bytes streamOf(int frames, int paddedEvery = 0) {
  Bytes stream;
  for (int i = 0; i < frames; ++i) {
    Bytes f = frame(i, paddedEvery > 0 && i % paddedEvery == 0);
    stream.insert(stream.end(), f.begin(), f.end());
  }
  return stream;
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The template with FileLength and FrameCount as patched.
Bytes header(std::uint32_t fileLength, std::uint16_t frameCount) {
  Bytes h = test::readFileBytes(test::programFolder() + "snx.da1");
  h[4] = fileLength & 0xFF, h[5] = (fileLength >> 8) & 0xFF;
  h[6] = (fileLength >> 16) & 0xFF, h[7] = fileLength >> 24;
  h[16] = frameCount & 0xFF, h[17] = frameCount >> 8;
  return h;
}

TEST(SwfStreamWriter, WritesTheHandDerivedFirstBlocks) {
  const Bytes stream42 = streamOf(42);
  // Block heads: long header of SoundStreamBlock (19 << 6 | 0x3F = 0x04FF),
  // length, SampleCount, SeekSamples.
  // 41 frames: length 4 + 41 x 78 = 3202 = 0x0C82; 41 x 576 = 0x5C40; seek 1680 = 0x0690
  const Bytes firstHead = {0xFF, 0x04, 0x82, 0x0C, 0x00, 0x00, 0x40, 0x5C, 0x90, 0x06};
  // 38 frames: length 4 + 38 x 78 = 2968 = 0x0B98; 38 x 576 = 0x5580; seek 60
  const Bytes secondHead = {0xFF, 0x04, 0x98, 0x0B, 0x00, 0x00, 0x80, 0x55, 0x3C, 0x00};
  Bytes single = header(3245, 2);  // 33 + (10 + 41 x 78 + 2) + 2; the template's frame and the block's
  append(single, firstHead);
  append(single, frame(0));
  for (int i = 0; i < 40; ++i) append(single, silentFrame());
  append(single, {0x40, 0x00, 0x00, 0x00});  // ShowFrame, End
  Bytes two = header(6221, 3);  // 33 + (10 + 41 x 78 + 2) + (10 + 38 x 78 + 2) + 2 = 0x184D
  append(two, firstHead);
  append(two, Bytes(stream42.begin(), stream42.begin() + 41 * 78));
  append(two, {0x40, 0x00});
  append(two, secondHead);
  append(two, frame(41));
  for (int i = 0; i < 37; ++i) append(two, silentFrame());
  append(two, {0x40, 0x00, 0x00, 0x00});
  const struct {
    const char* name;
    Bytes stream, expected;
  } rows[] = {{"one frame, filled with silence", frame(0), single}, {"42 frames open the seek cycle", stream42, two}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WritingStageFixture fx;
    fx.prepare(row.stream);
    fx.run();
    EXPECT_EQ(fx.streamBytes(), row.expected);
    EXPECT_FALSE(fx.ctx.job.jobFailed);
    EXPECT_TRUE(fx.host.messages.empty());
  }
}

TEST(SwfStreamWriter, CopiesFramesWholeWhereverTheStreamEnds) {
  const Bytes full = frame(0);
  const Bytes padded = frame(1, true);
  const Bytes paddedCut(padded.begin(), padded.begin() + 40);
  struct Row {
    const char* name;
    Bytes stream;
    Bytes slots;  // what the block holds before its silent frames
    int silentFrames;
    std::uint16_t length;
  };
  const Row rows[] = {
      // 4 + 79 + 78 + 39 x 78 = 3203
      {"padded frame counts 79", test::concat({padded, full}), test::concat({padded, full}), 39, 3203},
      // the 39 bytes the stream lacks are written as zero
      {"ends inside a padded frame", test::concat({full, paddedCut}), test::concat({full, paddedCut, Bytes(39, 0)}), 39, 3203},
      // a header cut after two bytes reads its third byte as 0: no padding
      {"ends inside a header", Bytes{0xFF, 0xF3}, test::concat({Bytes{0xFF, 0xF3}, Bytes(76, 0)}), 40, 3202},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WritingStageFixture fx;
    fx.prepare(row.stream);
    fx.run();
    Bytes body = test::concat({Bytes{0x40, 0x5C, 0x90, 0x06}, row.slots});
    for (int i = 0; i < row.silentFrames; ++i) append(body, silentFrame());

    auto swf = test::walkSwf(fx.streamBytes());
    ASSERT_TRUE(swf);
    auto blocks = swf->tagsWithCode(kSoundStreamBlock);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0]->length, row.length);
    EXPECT_EQ(blocks[0]->body, body);
  }
}

// Frames of a block counted from its body by an independent frame walker.
int framesIn(const test::SwfTag& block) {
  auto frames = test::walkLayer3Frames(std::span<const std::uint8_t>(block.body).subspan(4));
  return frames ? static_cast<int>(frames->size()) : -1;
}

TEST(SwfStreamWriter, FollowsTheSeekAndFrameCycleOverManyBlocks) {
  struct Row {
    std::uint16_t seekSamples;
    int frames;
  };
  // After the 41-frame first block, the start moves 108 samples on per block
  // (modulo 576); starts beyond 412 take 39 frames: 613 frames in 16 blocks.
  const Row expected[] = {
      {1680, 41}, {60, 38},  {168, 38}, {276, 38}, {384, 38}, {492, 39},
      {24, 38},   {132, 38}, {240, 38}, {348, 38}, {456, 39}, {564, 39},
      {96, 38},   {204, 38}, {312, 38}, {420, 39}, {528, 39}, {60, 38},
      {168, 38},
  };
  // 41 + 613 + 38 frames fill 18 blocks; one more frame opens the 19th.
  const int frames = 41 + 613 + 38 + 1;
  WritingStageFixture fx;
  Bytes stream = streamOf(frames, 7);
  fx.prepare(stream);
  fx.run();

  Bytes file = fx.streamBytes();
  std::string error;
  auto swf = test::walkSwf(file, &error);
  ASSERT_TRUE(swf) << error;
  auto blocks = swf->tagsWithCode(kSoundStreamBlock);
  ASSERT_EQ(blocks.size(), std::size(expected));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i + 1));
    const Bytes& body = blocks[i]->body;
    int sampleCount = body[0] | (body[1] << 8);
    int seekSamples = body[2] | (body[3] << 8);
    EXPECT_TRUE(blocks[i]->longHeader);
    EXPECT_EQ(seekSamples, expected[i].seekSamples);
    EXPECT_EQ(framesIn(*blocks[i]), expected[i].frames);
    EXPECT_EQ(sampleCount, expected[i].frames * 576);
    // every block is followed by its ShowFrame
    const test::SwfTag& next = *(blocks[i] + 1);
    EXPECT_EQ(next.code, kShowFrame);
  }
  EXPECT_EQ(swf->fileLength, file.size());
  EXPECT_EQ(swf->frameCount, 20);
  EXPECT_EQ(swf->showFrames(), 20);

  // the blocks hold the stream and then silence
  Bytes data = test::soundStreamData(*swf);
  ASSERT_GE(data.size(), stream.size());
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), data.begin()));
  Bytes tail(data.begin() + static_cast<std::ptrdiff_t>(stream.size()), data.end());
  EXPECT_EQ(tail.size(), 37u * 78);
  for (std::size_t pos = 0; pos < tail.size(); pos += 78)
    EXPECT_EQ(Bytes(tail.begin() + pos, tail.begin() + pos + 78), silentFrame());
}

TEST(SwfStreamWriter, StopsAtTheFrameLimitAndFinishesTheFile) {
  // 15 999 blocks hold 41 + 999 cycles of 613 frames (15 985 blocks) + the
  // first 14 blocks of the cycle (38 x 11 + 39 x 3 = 535 frames).
  const std::int64_t framesAtLimit = 41 + 999 * 613 + 535;
  ASSERT_EQ(framesAtLimit, 612963);
  struct Row {
    std::int64_t frames;
    bool message;
  };
  for (const Row& row : {Row{framesAtLimit, false}, Row{framesAtLimit + 1, true}}) {
    SCOPED_TRACE(row.frames);
    WritingStageFixture fx;
    fx.prepareSparse(row.frames * 78);
    fx.run();

    if (row.message) {
      ASSERT_EQ(fx.host.messages.size(), 1u);
      EXPECT_EQ(fx.host.messages[0].text,
                "Error: Output truncated because the maximum audio length has been reached.");
      EXPECT_EQ(fx.host.messages[0].icon, MessageIcon::None);
    } else {
      EXPECT_TRUE(fx.host.messages.empty());
    }
    EXPECT_FALSE(fx.ctx.job.jobFailed);
    Bytes file = fx.streamBytes();
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

TEST(SwfStreamWriter, WriteFailureIsReportedOnce) {
  struct Row {
    const char* name;
    std::int32_t outputMode;
    File JobState::*handle;
  };
  const Row rows[] = {
      {"streaming animation", kOutputModeBareLooping, &JobState::streamOutHandle},
      {"controller animation", kOutputModeController, &JobState::controllerOutHandle},
      {"HTML page", kOutputModeBareOnce, &JobState::htmlFile},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WritingStageFixture fx(row.outputMode);
    fx.addController(Bytes(1000, 0x5A));
    fx.prepare(streamOf(50));
    ASSERT_TRUE((fx.ctx.job.*row.handle).openExisting("/dev/full", FileAccess::ReadWrite, false));
    fx.run();
    EXPECT_EQ(fx.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
    EXPECT_TRUE(fx.ctx.job.jobFailed);
    EXPECT_TRUE(fx.page().empty());
  }
}

TEST(SwfStreamWriter, CancelStopsWithinOneFrameAndWritesNoPage) {
  WritingStageFixture fx;
  fx.prepare(streamOf(60));
  fx.host.cancelOnPump = fx.host.pumps + 5;
  fx.run();
  EXPECT_TRUE(fx.ctx.job.jobFailed);
  EXPECT_TRUE(fx.ctx.job.jobCancelled);
  EXPECT_TRUE(fx.host.messages.empty());
  // five frames read, the unfinished block left out: only the template is written
  EXPECT_EQ(fx.ctx.job.tmp3Pos, 1 + 5 * 78);
  EXPECT_EQ(fx.streamBytes().size(), 33u);
  EXPECT_TRUE(fx.page().empty());
}

TEST(SwfStreamWriter, MissingOrShortTemplateFailsWithItsPath) {
  for (int size : {-1, 0, 1, 32}) {
    SCOPED_TRACE(size);
    WritingStageFixture fx;
    std::string path = fx.program.file("snx.da1");
    if (size < 0)
      std::filesystem::remove(path);
    else
      std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
    fx.prepare(streamOf(3));
    fx.run();
    EXPECT_EQ(fx.host.texts(), std::vector<std::string>{"Error: Cannot open data file \"" + path + "\"."});
    EXPECT_EQ(fx.host.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(fx.ctx.job.jobFailed);
    EXPECT_TRUE(fx.streamBytes().empty());
    EXPECT_TRUE(fx.page().empty());
  }
}

}  // namespace
}  // namespace sonaflux
