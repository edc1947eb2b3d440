#include "audio/mp3_frame_scanner.h"

#include <gtest/gtest.h>

#include <tuple>

#include "audio/mp3_frame_header.h"

#include "tests/support/mp3_fixture.h"
#include "tests/support/stage_fixture.h"

namespace sonaflux {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

// Stage 1 over the bytes of an input file; tmp1 goes to tmp1Path when given.
struct ScanRun : test::StageFixture {
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
    tmp1 = test::readFileBytes(folder.file("x.tmp1"));
  }
};

const auto kMpeg1L3 = frameHeader(kVersion1, kLayer3, 9, 0, false, kModeJoint);  // 417 bytes
const auto kMpeg2L3 = frameHeader(kVersion2, kLayer3, 8, 0, false, kModeMono);   // 208

// Bytes that hold a sync pattern: copied as a frame if they are ever scanned.
Bytes withHiddenSync(std::size_t size) {
  return concat({Bytes(size / 2, 0x11), {0xFF, 0xFB}, Bytes(size - size / 2 - 2, 0x11)});
}

// Filler with a whole 22 050 Hz mono header at the offset: a stray header.
Bytes withStrayHeader(std::size_t size, std::size_t offset) {
  return concat({Bytes(offset, 0x11), Bytes(kMpeg2L3.begin(), kMpeg2L3.end()), Bytes(size - offset - 4, 0x11)});
}

Bytes first(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + long(count)); }

TEST(Mp3FrameScanner, CopiesWholeFramesAndDropsEverythingElse) {
  const Bytes a = syntheticFrame(kMpeg1L3, 417, 0x21), c = syntheticFrame(kMpeg1L3, 417, 0x23), ac = concat({a, c});
  const Bytes b = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 0, true, kModeJoint), 418, 0x22);
  const Bytes mono = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 0, false, kModeMono), 417);
  const Bytes m2 = syntheticFrame(kMpeg2L3, 208), mono2 = concat({mono, mono});
  const Bytes l2 = syntheticFrame(frameHeader(kVersion2, kLayer2, 8, 0, false, kModeStereo), 417);
  const Bytes at48k = syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 1, false, kModeStereo), 384);
  const Bytes junk = {0x00, 0x12, 0xFF, 0x1F, 0xFE, 0xFF, 0x00, 'T', 'A', 'X'};
  // A large tag with a footer that holds a sync; a tag that claims far more than the file holds.
  const Bytes bigTagWithFooter =
      concat({id3v2Header(40000, 4, 0x10), withHiddenSync(40000), {'3', 'D', 'I', 4, 0, 0x10, 0xFF, 0xFB, 0x90, 0x00}});
  const Bytes runawayTag = concat({id3v2Header(100000), {0x11, 0x12}});
  // Free format: lengths measured between headers, 300 bytes unpadded.
  const Bytes free = syntheticFrame(frameHeader(kVersion1, kLayer2, 0, 1, false, kModeDual), 300, 0x31);
  const Bytes freePadded = syntheticFrame(frameHeader(kVersion1, kLayer2, 0, 1, true, kModeDual), 301, 0x32);
  const Bytes badFields = concat({syntheticFrame(frameHeader(kVersion1, kLayer3, 15, 0, false, 0), 417),
                                  syntheticFrame(frameHeader(kVersion1, kLayer3, 9, 3, false, 0), 417),
                                  syntheticFrame(frameHeader(kVersion1, kLayerReserved, 9, 0, false, 0), 417),
                                  syntheticFrame(frameHeader(kVersionReserved, kLayer3, 9, 0, false, 0), 417)});
  const struct {
    const char* name;
    Bytes input, expectedTmp1;
    std::int32_t sampleRate;
    bool stereo;
  } rows[] = {
      {"three MPEG-1 Layer III frames, one padded", concat({a, b, c}), concat({a, b, c}), 44100, true},
      {"MPEG-2 Layer III frames of 208", concat({m2, m2}), concat({m2, m2}), 22050, false},
      {"MPEG-2 Layer II frames of 417", concat({l2, l2}), concat({l2, l2}), 22050, true},
      {"small leading tag is skipped", concat({id3v2Tag(withHiddenSync(1000)), a, c}), ac, 44100, true},
      {"tag over 32 768 bytes skipped whole", concat({id3v2Tag(withHiddenSync(40000)), a, c}), ac, 44100, true},
      {"large tag with footer is skipped with its footer", concat({bigTagWithFooter, a}), a, 44100, true},
      {"tag running past the end has its body scanned", concat({runawayTag, mono}), mono, 44100, false},
      {"junk between frames and a trailing TAG block are dropped",
       concat({junk, a, c, junk, b, id3v1Block("Song", "Band")}), concat({a, c, b}), 44100, true},
      {"20 000 bytes of junk", concat({a, c, Bytes(20000, 0x11), b, c}), concat({a, c, b, c}), 44100, true},
      {"a frame between junk is a stray header", concat({junk, a, junk}), {}, 0, false},
      {"stray header in junk", concat({mono, mono, Bytes(300, 0x11), withStrayHeader(500, 0)}), mono2, 44100, false},
      {"stray header in APE", concat({mono2, bytesOf("APETAGEX"), withStrayHeader(400, 40)}), mono2, 44100, false},
      {"stray in ID3v1", concat({mono2, id3v1Block(std::string("\xFF\xF3\x80\xC0", 4), "Band")}), mono2, 44100, false},
      {"a trailing ID3v2 tag ends the stream", concat({mono, id3v2Tag(withStrayHeader(600, 10))}), mono, 44100, false},
      {"forbidden bitrate, reserved rate, layer or version is no frame", badFields, {}, 0, false},
      {"free-format frames reach to the next header; the last is as long as the one before",
       concat({free, freePadded, free, freePadded, id3v1Block("Song", "")}),
       concat({free, freePadded, free, freePadded}), 48000, true},
      {"a lone free-format frame has no length", concat({free, Bytes(50, 0x11)}), {}, 0, false},
      {"last frame stereo at another rate", concat({mono, at48k}), concat({mono, at48k}), 48000, true},
      {"cut last frame is dropped", concat({a, first(c, 300)}), a, 44100, true},
      {"stray header in a cut frame", concat({mono2, first(c, 100), withStrayHeader(208, 0)}), mono2, 44100, false},
      {"a header cut by the end of the input", concat({a, {0xFF, 0xFB, 0x90, 0x00, 0x11}, m2}), a, 44100, true},
      {"three bytes", {0xFF, 0xFB, 0x90}, {}, 0, false},
      {"ID3 and nothing after", {'I', 'D', '3'}, {}, 0, false},
      {"a header on the last byte is not examined", concat({a, c, {0xFF}}), ac, 44100, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScanRun run(row.input);
    EXPECT_EQ(run.tmp1, row.expectedTmp1);
    const JobState& job = run.ctx.job;
    EXPECT_EQ(std::tuple(job.tmp1Pos, job.sampleRate, job.inputStereo, job.jobFailed, run.host.messages.size()),
              std::tuple(std::int64_t(row.expectedTmp1.size()) + 1, row.sampleRate, row.stereo, false, 0u));
  }
}

TEST(Mp3FrameScanner, CancelAndWriteFailureStopAfterTheFrameInHand) {
  const Bytes frame = syntheticFrame(kMpeg1L3, 417);
  ScanRun cancelled(concat({frame, frame, frame, frame}), 2);
  EXPECT_EQ(cancelled.tmp1, concat({frame, frame}));
  EXPECT_TRUE(cancelled.ctx.job.jobCancelled && cancelled.host.messages.empty());

  ScanRun full(concat({frame, frame, frame}), 0, "/dev/full");
  EXPECT_TRUE(full.ctx.job.jobFailed);
  EXPECT_EQ(full.host.texts(), std::vector<std::string>{"Error: Cannot write file."});  // once
}

// Junk gives no frame to pump after: zeros are passed over in blocks, false syncs one at a time.
TEST(Mp3FrameScanner, CancelIsSeenInAFileOfJunk) {
  Bytes falseSyncs(1000000, 0xFF);
  for (std::size_t i = 1; i < falseSyncs.size(); i += 2) falseSyncs[i] = 0x00;
  const struct {
    const char* name;
    Bytes input;
  } rows[] = {{"zeros", Bytes(1000000, 0x00)}, {"false syncs", falseSyncs}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScanRun run(row.input, 1);
    EXPECT_TRUE(run.ctx.job.jobCancelled && run.tmp1.empty());
    EXPECT_LT(run.ctx.job.inputPos, 2 * 65536);
  }
}

TEST(Mp3FrameScanner, EveryPrefixOfAFileGivesWholeFramesOnly) {
  // Short frames keep the sweep quick: MPEG-2.5 III 8k at 8 kHz (72), MPEG-2 III 8k at 24 kHz (24).
  const Bytes a = syntheticFrame(frameHeader(kVersion25, kLayer3, 1, 2, false, kModeMono), 72, 0x31);
  const Bytes b = syntheticFrame(frameHeader(kVersion2, kLayer3, 1, 1, false, kModeMono), 24, 0x32);
  const Bytes file = concat({id3v2Tag(id3v2Frame("TIT2", 0, bytesOf("Song"))), a, b, a, id3v1Block("Song", "Band")});
  const std::vector<Bytes> allowed = {{}, a, concat({a, b}), concat({a, b, a})};
  for (std::size_t size = 0; size <= file.size(); ++size) {
    ScanRun run(first(file, size));
    ASSERT_NE(std::find(allowed.begin(), allowed.end(), run.tmp1), allowed.end()) << "prefix of " << size;
  }
}

}  // namespace
}  // namespace sonaflux
