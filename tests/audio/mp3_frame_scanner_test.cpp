#include "audio/mp3_frame_scanner.h"

#include <gtest/gtest.h>

#include <random>

#include "audio/mp3_frame_header.h"

#include "tests/support/mp3_fixture.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using test::append;
using test::frameHeader;
using test::syntheticFrame;
using Bytes = std::vector<std::uint8_t>;

// Runs stage 1 over the bytes of an input file, with tmp1 in a temp folder.
struct ScanRun {
  test::TempFolder folder;
  test::RecordingHost host;
  AppContext ctx{host};
  test::RecordingProgressBar progress;
  Bytes tmp1;

  explicit ScanRun(const Bytes& input, const std::string& tmp1Path = "") {
    test::writeFileBytes(folder.file("in.mp3"), input);
    const std::string tmp1Name = tmp1Path.empty() ? folder.file("x.tmp1") : tmp1Path;
    if (tmp1Path.empty()) test::writeFileBytes(tmp1Name, {});
    JobState& job = ctx.job;
    EXPECT_TRUE(job.inputHandle.openExisting(folder.file("in.mp3"), FileAccess::Read, true));
    EXPECT_TRUE(job.tmp1Handle.openExisting(tmp1Name, FileAccess::ReadWrite, false));
    job.inputSize = static_cast<std::int64_t>(input.size());
    job.progressRead = &progress;
    host.cancelTarget = &ctx;
    ctx.job.jobRunning = true;  // a stage runs only inside a job
  }

  void run() {
    std::vector<std::uint8_t> frameBuffer(kFrameBufferSize, 0xEE);
    scanMp3Frames(ctx, frameBuffer);
    ctx.job.tmp1Handle.close();
    tmp1 = test::readFileBytes(folder.file("x.tmp1"));
  }
};

const auto kMpeg1L3 = frameHeader(test::kVersion1, test::kLayer3, 9, 0, false, test::kModeJoint);        // 417
const auto kMpeg1L3Pad = frameHeader(test::kVersion1, test::kLayer3, 9, 0, true, test::kModeJoint);      // 418
const auto kMpeg1L3Mono = frameHeader(test::kVersion1, test::kLayer3, 9, 0, false, test::kModeMono);     // 417
const auto kMpeg2L3 = frameHeader(test::kVersion2, test::kLayer3, 8, 0, false, test::kModeMono);         // 208
const auto kMpeg2L2 = frameHeader(test::kVersion2, test::kLayer2, 8, 0, false, test::kModeStereo);       // 417
const auto kFree = frameHeader(test::kVersion1, test::kLayer3, 0, 0, false, test::kModeMono);            // 417
const auto kForbidden = frameHeader(test::kVersion1, test::kLayer3, 15, 0, false, test::kModeMono);      // 417
const auto kMpeg1L3At48k = frameHeader(test::kVersion1, test::kLayer3, 9, 1, false, test::kModeStereo);  // 384

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) append(out, p);
  return out;
}

// Bytes that hold a sync pattern: copied as a frame if they are ever scanned.
Bytes withHiddenSync(std::size_t size) {
  Bytes body(size, 0x11);
  body[size / 2] = 0xFF;
  body[size / 2 + 1] = 0xFB;
  return body;
}

struct ScanRow {
  const char* name;
  Bytes input;
  Bytes expectedTmp1;
  std::int32_t sampleRate;
  bool stereo;
};

std::vector<ScanRow> scanRows() {
  const Bytes a = syntheticFrame(kMpeg1L3, 417, 0x21);
  const Bytes b = syntheticFrame(kMpeg1L3Pad, 418, 0x22);
  const Bytes c = syntheticFrame(kMpeg1L3, 417, 0x23);
  const Bytes mono = syntheticFrame(kMpeg1L3Mono, 417);
  // MPEG-2.5 Layer III, 8 kbit/s at 8 kHz: 72 bytes.
  const Bytes shortFrame = syntheticFrame(frameHeader(test::kVersion25, test::kLayer3, 1, 2, false, test::kModeMono), 72);
  const Bytes junk = {0x00, 0x12, 0xFF, 0x1F, 0xFE, 0xFF, 0x00, 'T', 'A', 'G'};
  const Bytes smallTag = test::id3v2Tag(withHiddenSync(1000));
  const Bytes bigTag = test::id3v2Tag(withHiddenSync(40000));
  Bytes bigTagWithFooter = test::id3v2Header(40000, 4, 0x10);
  append(bigTagWithFooter, withHiddenSync(40000));
  append(bigTagWithFooter, {'3', 'D', 'I', 4, 0, 0x10, 0xFF, 0xFB, 0x90, 0x00});  // a footer holding a sync
  // A tag that claims far more than the file holds: its body is scanned.
  Bytes runawayTag = test::id3v2Header(100000);
  append(runawayTag, {0x11, 0x12});

  return {
      {"three MPEG-1 Layer III frames, one padded", concat({a, b, c}), concat({a, b, c}), 44100, true},
      {"MPEG-2 Layer III frames of 208", concat({syntheticFrame(kMpeg2L3, 208), syntheticFrame(kMpeg2L3, 208)}),
       concat({syntheticFrame(kMpeg2L3, 208), syntheticFrame(kMpeg2L3, 208)}), 22050, false},
      {"MPEG-2 Layer II frames of 417", concat({syntheticFrame(kMpeg2L2, 417), syntheticFrame(kMpeg2L2, 417)}),
       concat({syntheticFrame(kMpeg2L2, 417), syntheticFrame(kMpeg2L2, 417)}), 22050, true},
      {"small leading tag is skipped", concat({smallTag, a, c}), concat({a, c}), 44100, true},
      {"tag over 32 768 bytes inside the file is skipped whole", concat({bigTag, a, c}), concat({a, c}), 44100, true},
      {"large tag with footer is skipped with its footer", concat({bigTagWithFooter, a}), a, 44100, true},
      {"tag running past the end has its body scanned", concat({runawayTag, mono}), mono, 44100, false},
      {"junk between frames and a trailing TAG block are dropped",
       concat({junk, a, junk, b, test::id3v1Block("Song", "Band")}), concat({a, b}), 44100, true},
      {"bitrate index 0 and 15 give 128 kbit/s", concat({syntheticFrame(kFree, 417), syntheticFrame(kForbidden, 417)}),
       concat({syntheticFrame(kFree, 417), syntheticFrame(kForbidden, 417)}), 44100, false},
      {"mono stream", concat({mono, mono}), concat({mono, mono}), 44100, false},
      {"last frame stereo at another rate", concat({mono, syntheticFrame(kMpeg1L3At48k, 384)}),
       concat({mono, syntheticFrame(kMpeg1L3At48k, 384)}), 48000, true},
      {"cut last frame is dropped", concat({a, Bytes(c.begin(), c.begin() + 300)}), a, 44100, true},
      {"a stray sync running past the end does not hide a whole frame after it",
       concat({a, {0xFF, 0xFB, 0x90, 0x00, 0x11}, shortFrame}), concat({a, shortFrame}), 8000, false},
      {"three bytes", {0xFF, 0xFB, 0x90}, {}, 0, false},
      {"ID3 and nothing after", {'I', 'D', '3'}, {}, 0, false},
      {"a header on the last byte is not examined", concat({a, {0xFF}}), a, 44100, true},
  };
}

TEST(Mp3FrameScanner, CopiesWholeFramesAndDropsEverythingElse) {
  for (const ScanRow& row : scanRows()) {
    SCOPED_TRACE(row.name);
    ScanRun run(row.input);
    run.run();
    EXPECT_EQ(run.tmp1, row.expectedTmp1);
    EXPECT_EQ(run.ctx.job.tmp1Pos, static_cast<std::int64_t>(row.expectedTmp1.size()) + 1);
    EXPECT_EQ(run.ctx.job.sampleRate, row.sampleRate);
    EXPECT_EQ(run.ctx.job.inputStereo, row.stereo);
    EXPECT_FALSE(run.ctx.job.jobFailed);
    EXPECT_TRUE(run.host.messages.empty());
  }
}

TEST(Mp3FrameScanner, PumpsAndShowsProgressOncePerFrame) {
  const Bytes frame = syntheticFrame(kMpeg1L3, 417);
  Bytes input = concat({frame, frame, frame, Bytes(9, 0x00)});  // 1260 bytes
  ScanRun run(input);
  run.run();
  // 418 * 100 / 1260 = 33.2, 835 * 100 / 1260 = 66.3, 1252 * 100 / 1260 = 99.4
  EXPECT_EQ(run.progress.positions, (std::vector<int>{33, 66, 99}));
  EXPECT_EQ(run.host.pumps, 3);
}

TEST(Mp3FrameScanner, CancelStopsAfterTheFrameInHandIsWritten) {
  const Bytes frame = syntheticFrame(kMpeg1L3, 417);
  ScanRun run(concat({frame, frame, frame, frame}));
  run.host.cancelOnPump = 2;
  run.run();
  EXPECT_EQ(run.tmp1, concat({frame, frame}));
  EXPECT_TRUE(run.ctx.job.jobCancelled);
  EXPECT_TRUE(run.host.messages.empty());
}

TEST(Mp3FrameScanner, AWriteFailureIsReportedOnceAndEndsTheStage) {
  const Bytes frame = syntheticFrame(kMpeg1L3, 417);
  ScanRun run(concat({frame, frame, frame}), "/dev/full");
  std::vector<std::uint8_t> frameBuffer(kFrameBufferSize);
  scanMp3Frames(run.ctx, frameBuffer);
  EXPECT_TRUE(run.ctx.job.jobFailed);
  EXPECT_EQ(run.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
  EXPECT_EQ(run.host.pumps, 1);
}

// The scan stated over bytes in memory, one byte at a time: a 0xFF before the
// last byte and a byte with its top three bits set start a frame; a frame that
// would run past the end is passed over after its 0xFF.
Bytes scanInMemory(const Bytes& in) {
  Bytes out;
  auto at = [&](std::size_t i) -> std::uint8_t { return i < in.size() ? in[i] : 0; };
  std::size_t i = 0;
  while (i + 1 < in.size()) {
    if (in[i] != 0xFF) {
      ++i;
      continue;
    }
    if ((in[i + 1] & 0xE0) != 0xE0) {
      i += 2;
      continue;
    }
    auto length = static_cast<std::size_t>(frameLength(decodeFrameHeader(in[i + 1], at(i + 2), at(i + 3))));
    if (i + length > in.size()) {
      ++i;
      continue;
    }
    out.insert(out.end(), in.begin() + static_cast<long>(i), in.begin() + static_cast<long>(i + length));
    i += length;
  }
  return out;
}

TEST(Mp3FrameScanner, FindsTheSameFramesAsAByteByByteScanInRandomBytes) {
  std::mt19937 random(7);
  int withFrames = 0;
  for (int round = 0; round < 150; ++round) {
    Bytes input(random() % 6000, 0);
    for (std::uint8_t& b : input) {
      unsigned pick = random() % 16;
      b = pick == 0 ? 0xFF : pick == 1 ? static_cast<std::uint8_t>(0xE0 | (random() % 32)) : static_cast<std::uint8_t>(random());
    }
    if (!input.empty()) input[0] = 0;  // no leading tag
    ScanRun run(input);
    run.run();
    ASSERT_EQ(run.tmp1, scanInMemory(input)) << "round " << round;
    withFrames += run.tmp1.empty() ? 0 : 1;
  }
  EXPECT_GT(withFrames, 100);
}

TEST(Mp3FrameScanner, EveryPrefixOfAFileGivesWholeFramesOnly) {
  // Short frames keep the sweep quick: MPEG-2.5 III 8k at 8 kHz (72), MPEG-2 III 8k at 24 kHz (24).
  const Bytes a = syntheticFrame(frameHeader(test::kVersion25, test::kLayer3, 1, 2, false, test::kModeMono), 72, 0x31);
  const Bytes b = syntheticFrame(frameHeader(test::kVersion2, test::kLayer3, 1, 1, false, test::kModeMono), 24, 0x32);
  const Bytes tag = test::id3v2Tag(test::id3v2Frame("TIT2", 0, test::bytesOf("Song")));
  const Bytes file = concat({tag, a, b, a, test::id3v1Block("Song", "Band")});
  const std::vector<Bytes> allowed = {{}, a, concat({a, b}), concat({a, b, a})};
  for (std::size_t size = 0; size <= file.size(); ++size) {
    ScanRun run(Bytes(file.begin(), file.begin() + static_cast<long>(size)));
    run.run();
    ASSERT_NE(std::find(allowed.begin(), allowed.end(), run.tmp1), allowed.end()) << "prefix of " << size;
  }
}

}  // namespace
}  // namespace sonaflux
