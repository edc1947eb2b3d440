#include "audio/mp3_frame_scanner.h"

#include <gtest/gtest.h>

#include "audio/mp3_frame_header.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/stage_fixture.h"

namespace sonaflux {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

// Stage 1 over the bytes of an input file; tmp1 goes to tmp1Path when given.
struct ScanRun : StageFixture {
  Bytes tmp1;

  explicit ScanRun(const Bytes& input, long cancelOnPump = 0, const std::string& tmp1Path = "") {
    openFile(ctx.job.inputHandle, "in.mp3", input);
    openFile(ctx.job.tmp1Handle, "x.tmp1", {});
    EXPECT_TRUE(tmp1Path.empty() || ctx.job.tmp1Handle.openExisting(tmp1Path, FileAccess::ReadWrite, false));
    ctx.job.inputSize = static_cast<std::int64_t>(input.size());
    host.cancelOnPump = cancelOnPump;
    std::vector<std::uint8_t> frameBuffer(kFrameBufferSize, 0xEE);
    scanMp3Frames(ctx, frameBuffer);
    ctx.job.tmp1Handle.close();
    tmp1 = readFileBytes(folder.file("x.tmp1"));
  }
};

const auto kMpeg2L3 = frameHeader(kVersion2, kLayer3, 8, 0, false, kModeMono);  // 208 bytes
const Bytes a = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 0, false, kModeJoint), 417, 0x21);
const Bytes b = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 0, true, kModeJoint), 418, 0x22);
const Bytes mono = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 0, false, kModeMono), 417);
const Bytes at48k = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 1, false, kModeStereo), 384);
const Bytes forbidden = syntheticFrame(frameHeader(kVersion1, kLayer3, 15, 0, false, kModeMono), 417);
// Free format: lengths measured between headers, 300 bytes unpadded.
const Bytes freeFrame = syntheticFrame(frameHeader(kVersion1, kLayer2, 0, 1, false, kModeDual), 300, 0x31);
const Bytes freePadded = syntheticFrame(frameHeader(kVersion1, kLayer2, 0, 1, true, kModeDual), 301, 0x32);
const Bytes freeFormat = concat({freeFrame, freePadded, freeFrame, freePadded});
const Bytes tagV1 = id3v1Block("Song", "");
const Bytes junk = {0x00, 0x12, 0xFF, 0x1F, 0xFE, 0xFF, 0x00, 'T', 'A', 'X'};

// Filler around two whole frames: copied if they are ever scanned.
Bytes withHiddenFrames(std::size_t size) {
  return concat({Bytes(size / 2, 0x11), mono, mono, Bytes(size - size / 2 - 2 * mono.size(), 0x11)});
}

// Filler that begins with a whole 22 050 Hz mono header: a stray header.
Bytes strayHeader(std::size_t size) { return concat({Bytes(kMpeg2L3.begin(), kMpeg2L3.end()), Bytes(size - 4, 0x11)}); }

Bytes first(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + long(count)); }
const Bytes largeTagWithFooter =
    concat({id3v2Header(40000, 4, 0x10), withHiddenFrames(40000), {'3', 'D', 'I', 4, 0, 0x10, 0xFF, 0xFB, 0x90, 0x00}});

struct ScanRow {
  const char* name;
  Bytes input;
  Bytes tmp1;
  std::int32_t rate;
  bool stereo;
};

// clang-format off
const ScanRow kScanRows[] = {
    {.name = "FramesOnePadded", .input = concat({a, b, a}), .tmp1 = concat({a, b, a}), .rate = 44100, .stereo = true},
    {.name = "SmallLeadingTagSkipped", .input = concat({id3v2Tag(withHiddenFrames(2000)), a}), .tmp1 = a,
     .rate = 44100, .stereo = true},
    {.name = "LargeTagSkippedWithItsFooter", .input = concat({largeTagWithFooter, a}), .tmp1 = a,
     .rate = 44100, .stereo = true},
    {.name = "TagPastTheEndHasItsBodyScanned", .input = concat({id3v2Header(100000), {0x11, 0x12}, mono}),
     .tmp1 = mono, .rate = 44100, .stereo = false},
    {.name = "JunkAndTrailingTagDropped", .input = concat({junk, a, b, Bytes(20000, 0x11), a, id3v1Block("S", "B")}),
     .tmp1 = concat({a, b, a}), .rate = 44100, .stereo = true},
    {.name = "FrameInJunkBeforeAnApeTag", .input = concat({junk, mono, bytesOf("APETAGEX"), Bytes(40, 0x11)}),
     .tmp1 = mono, .rate = 44100, .stereo = false},
    {.name = "FrameInJunkBeforeAnId3v2Tag", .input = concat({junk, mono, id3v2Tag(bytesOf("TIT2"))}), .tmp1 = mono,
     .rate = 44100, .stereo = false},
    {.name = "LoneFrameInJunkIsStray", .input = concat({junk, a, junk}), .tmp1 = {}, .rate = 0, .stereo = false},
    {.name = "StrayHeaderInACutFrame", .input = concat({mono, first(a, 100), strayHeader(208)}), .tmp1 = mono,
     .rate = 44100, .stereo = false},
    {.name = "ForbiddenBitrateIsNoFrame", .input = concat({forbidden, forbidden}), .tmp1 = {}, .rate = 0,
     .stereo = false},
    {.name = "FreeFormatReachesTheNextHeaderTheLastAsLongAsTheOneBefore", .input = concat({freeFormat, tagV1}),
     .tmp1 = freeFormat, .rate = 48000, .stereo = true},
    {.name = "LoneFreeFormatFrameHasNoLength", .input = concat({freeFrame, Bytes(50, 0x11)}), .tmp1 = {}, .rate = 0,
     .stereo = false},
    {.name = "LastFrameGivesRateAndChannels", .input = concat({mono, at48k}), .tmp1 = concat({mono, at48k}),
     .rate = 48000, .stereo = true},
};
// clang-format on

class Mp3FrameScanner : public testing::TestWithParam<ScanRow> {};

TEST_P(Mp3FrameScanner, CopiesWholeFramesAndDropsEverythingElse) {
  const ScanRow& row = GetParam();
  ScanRun run(row.input);
  EXPECT_EQ(run.tmp1, row.tmp1);
  EXPECT_EQ(run.ctx.job.tmp1Pos, std::int64_t(row.tmp1.size()) + 1);
  EXPECT_EQ(run.ctx.job.sampleRate, row.rate);
  EXPECT_EQ(run.ctx.job.inputStereo, row.stereo);
  EXPECT_TRUE(run.host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Inputs, Mp3FrameScanner, testing::ValuesIn(kScanRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Mp3FrameScannerStops, AWriteFailureIsReportedOnce) {
  ScanRun full(concat({a, a, a}), 0, "/dev/full");
  EXPECT_TRUE(full.ctx.job.jobFailed);
  EXPECT_EQ(full.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
}

// Zeros are passed over in blocks, false syncs one at a time: both pump.
TEST(Mp3FrameScannerStops, CancelIsSeenInAFileOfJunk) {
  Bytes falseSyncs(1000000, 0x00);
  for (std::size_t i = 0; i < falseSyncs.size(); i += 2) falseSyncs[i] = 0xFF;
  for (const Bytes& input : {Bytes(1000000, 0x00), falseSyncs}) {
    ScanRun run(input, 1);
    EXPECT_TRUE(run.ctx.job.jobCancelled);
    EXPECT_LT(run.ctx.job.inputPos, 2 * 65536);
  }
}

TEST(Mp3FrameScannerStops, EveryPrefixOfAFileGivesWholeFramesOnly) {
  // Short frames keep the sweep quick: MPEG-2.5 III 8k at 8 kHz (72), MPEG-2 III 8k at 24 kHz (24).
  const Bytes x = syntheticFrame(frameHeader(kVersion25, kLayer3, 1, 2, false, kModeMono), 72, 0x31);
  const Bytes y = syntheticFrame(frameHeader(kVersion2, kLayer3, 1, 1, false, kModeMono), 24, 0x32);
  const Bytes file = concat({id3v2Tag(id3v2Frame("TIT2", 0, bytesOf("Song"))), x, y, x, id3v1Block("Song", "Band")});
  const std::vector<Bytes> allowed = {{}, x, concat({x, y}), concat({x, y, x})};
  for (std::size_t size = 0; size <= file.size(); ++size) {
    ScanRun run(first(file, size));
    ASSERT_NE(std::find(allowed.begin(), allowed.end(), run.tmp1), allowed.end()) << "prefix of " << size;
  }
}

}  // namespace
}  // namespace sonaflux
