#include "audio/mp3_frame_scanner.h"

#include <gtest/gtest.h>

#include "audio/mp3_frame_header.h"

#include "tests/support/mp3_fixture.h"
#include "tests/support/stage_fixture.h"

namespace sonaflux {
namespace {

using test::append;
using test::frameHeader;
using test::syntheticFrame;
using Bytes = std::vector<std::uint8_t>;

// Runs stage 1 over the bytes of an input file, with tmp1 in a temp folder.
struct ScanRun : test::StageFixture {
  Bytes tmp1;

  explicit ScanRun(const Bytes& input, const std::string& tmp1Path = "") {
    test::writeFileBytes(folder.file("in.mp3"), input);
    const std::string tmp1Name = tmp1Path.empty() ? folder.file("x.tmp1") : tmp1Path;
    if (tmp1Path.empty()) test::writeFileBytes(tmp1Name, {});
    JobState& job = ctx.job;
    EXPECT_TRUE(job.inputHandle.openExisting(folder.file("in.mp3"), FileAccess::Read, true));
    EXPECT_TRUE(job.tmp1Handle.openExisting(tmp1Name, FileAccess::ReadWrite, false));
    job.inputSize = static_cast<std::int64_t>(input.size());
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
const auto kMpeg1L3At48k = frameHeader(test::kVersion1, test::kLayer3, 9, 1, false, test::kModeStereo);  // 384
const auto kFree = frameHeader(test::kVersion1, test::kLayer2, 0, 1, false, test::kModeDual);
const auto kFreePad = frameHeader(test::kVersion1, test::kLayer2, 0, 1, true, test::kModeDual);

using test::concat;

// Bytes that hold a sync pattern: copied as a frame if they are ever scanned.
Bytes withHiddenSync(std::size_t size) {
  Bytes body(size, 0x11);
  body[size / 2] = 0xFF;
  body[size / 2 + 1] = 0xFB;
  return body;
}

// Filler with a whole 22 050 Hz mono header at the offset: a stray header.
Bytes withStrayHeader(std::size_t size, std::size_t offset) {
  Bytes bytes(size, 0x11);
  std::copy(kMpeg2L3.begin(), kMpeg2L3.end(), bytes.begin() + static_cast<long>(offset));
  return bytes;
}

Bytes first(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(count)); }

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
  const Bytes m2 = syntheticFrame(kMpeg2L3, 208);
  const Bytes l2 = syntheticFrame(kMpeg2L2, 417);
  const Bytes at48k = syntheticFrame(kMpeg1L3At48k, 384);
  const Bytes junk = {0x00, 0x12, 0xFF, 0x1F, 0xFE, 0xFF, 0x00, 'T', 'A', 'X'};
  const Bytes smallTag = test::id3v2Tag(withHiddenSync(1000));
  const Bytes bigTag = test::id3v2Tag(withHiddenSync(40000));
  Bytes bigTagWithFooter = test::id3v2Header(40000, 4, 0x10);
  append(bigTagWithFooter, withHiddenSync(40000));
  append(bigTagWithFooter, {'3', 'D', 'I', 4, 0, 0x10, 0xFF, 0xFB, 0x90, 0x00});  // a footer holding a sync
  // A tag that claims far more than the file holds: its body is scanned.
  Bytes runawayTag = test::id3v2Header(100000);
  append(runawayTag, {0x11, 0x12});
  // A cut frame whose body holds a stray header that ends right at the end of the input.
  Bytes cutWithStray = first(c, 100);
  append(cutWithStray, withStrayHeader(208, 0));
  // Free format: lengths measured between headers, 300 bytes unpadded.
  const Bytes free = syntheticFrame(kFree, 300, 0x31), freePadded = syntheticFrame(kFreePad, 301, 0x32);
  Bytes ape = test::bytesOf("APETAGEX");
  append(ape, withStrayHeader(400, 40));

  return {
      {"three MPEG-1 Layer III frames, one padded", concat({a, b, c}), concat({a, b, c}), 44100, true},
      {"MPEG-2 Layer III frames of 208", concat({m2, m2}), concat({m2, m2}), 22050, false},
      {"MPEG-2 Layer II frames of 417", concat({l2, l2}), concat({l2, l2}), 22050, true},
      {"small leading tag is skipped", concat({smallTag, a, c}), concat({a, c}), 44100, true},
      {"tag over 32 768 bytes inside the file is skipped whole", concat({bigTag, a, c}), concat({a, c}), 44100, true},
      {"large tag with footer is skipped with its footer", concat({bigTagWithFooter, a}), a, 44100, true},
      {"tag running past the end has its body scanned", concat({runawayTag, mono}), mono, 44100, false},
      {"junk between frames and a trailing TAG block are dropped",
       concat({junk, a, c, junk, b, test::id3v1Block("Song", "Band")}), concat({a, c, b}), 44100, true},
      {"20 000 bytes of junk between frames", concat({a, c, Bytes(20000, 0x11), b, c}), concat({a, c, b, c}), 44100, true},
      {"a frame between junk is a stray header", concat({junk, a, junk}), {}, 0, false},
      {"a stray header in trailing junk", concat({mono, mono, Bytes(300, 0x11), withStrayHeader(500, 0)}),
       concat({mono, mono}), 44100, false},
      {"a stray header inside an APE tag", concat({mono, mono, ape}), concat({mono, mono}), 44100, false},
      {"a stray header inside an ID3v1 block",
       concat({mono, mono, test::id3v1Block(std::string("\xFF\xF3\x80\xC0", 4), "Band")}), concat({mono, mono}), 44100, false},
      {"a trailing ID3v2 tag ends the stream", concat({mono, test::id3v2Tag(withStrayHeader(600, 10))}), mono, 44100, false},
      {"forbidden bitrate, reserved rate, layer or version is no frame",
       concat({syntheticFrame(frameHeader(test::kVersion1, test::kLayer3, 15, 0, false, 0), 417),
               syntheticFrame(frameHeader(test::kVersion1, test::kLayer3, 9, 3, false, 0), 417),
               syntheticFrame(frameHeader(test::kVersion1, test::kLayerReserved, 9, 0, false, 0), 417),
               syntheticFrame(frameHeader(test::kVersionReserved, test::kLayer3, 9, 0, false, 0), 417)}),
       {}, 0, false},
      {"free-format frames reach to the next header; the last is as long as the one before",
       concat({free, freePadded, free, freePadded, test::id3v1Block("Song", "")}), concat({free, freePadded, free, freePadded}),
       48000, true},
      {"a lone free-format frame has no length", concat({free, Bytes(50, 0x11)}), {}, 0, false},
      {"mono stream", concat({mono, mono}), concat({mono, mono}), 44100, false},
      {"last frame stereo at another rate", concat({mono, at48k}), concat({mono, at48k}), 48000, true},
      {"cut last frame is dropped", concat({a, first(c, 300)}), a, 44100, true},
      {"a stray header inside a cut frame is not scanned", concat({mono, mono, cutWithStray}), concat({mono, mono}), 44100, false},
      {"a header cut by the end of the input ends the scan", concat({a, {0xFF, 0xFB, 0x90, 0x00, 0x11}, m2}), a, 44100, true},
      {"three bytes", {0xFF, 0xFB, 0x90}, {}, 0, false},
      {"ID3 and nothing after", {'I', 'D', '3'}, {}, 0, false},
      {"a header on the last byte is not examined", concat({a, c, {0xFF}}), concat({a, c}), 44100, true},
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
