#include "writers/swf_stream_writer.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/byte_order.h"
#include "engine/file_routines.h"
#include "writers/controller_copy.h"
#include "writers/html_page_writer.h"
#include "writers/swf_tags.h"

namespace sonaflux {

namespace {

constexpr std::int32_t kMaxFrameCount = 16000;

// One MPEG-2 Layer III frame at 24 kbit/s and 22 050 Hz: 78 bytes, 79 with
// the padding bit (0x02 of the third header byte) set, 576 samples.
constexpr std::int64_t kFrameSize = 78;
constexpr std::int64_t kPaddedFrameSize = 79;
constexpr std::uint8_t kPaddingBit = 0x02;
constexpr std::uint16_t kSamplesPerFrame = 576;
constexpr std::size_t kFrameHeaderSize = 3;

// A frame with zero side information and main data: silence.
constexpr std::array<std::uint8_t, 4> kSilentFrameHeader = {0xFF, 0xF3, 0x30, 0xC4};

// The first block runs ahead of the player by 1680 samples; after it, each
// block starts 108 samples further into a 576-sample frame, and blocks whose
// start lies late in a frame take one frame more.
constexpr std::uint16_t kFirstSeekSamples = 1680;
constexpr std::uint16_t kSecondSeekSamples = 60;
constexpr std::uint16_t kSeekStep = 108;
constexpr std::uint16_t kLongBlockSeekAbove = 412;
constexpr int kFirstBlockFrames = 41;
constexpr int kLongBlockFrames = 39;
constexpr int kShortBlockFrames = 38;

const char* const kTemplateName = "snx.da1";

int framesInBlock(std::uint16_t seek) {
  if (seek == kFirstSeekSamples) return kFirstBlockFrames;
  return seek > kLongBlockSeekAbove ? kLongBlockFrames : kShortBlockFrames;
}

std::uint16_t nextSeekSamples(std::uint16_t seek) {
  if (seek == kFirstSeekSamples) return kSecondSeekSamples;
  std::uint16_t next = static_cast<std::uint16_t>(seek + kSeekStep);
  return next > kSamplesPerFrame ? static_cast<std::uint16_t>(next - kSamplesPerFrame) : next;
}

void writeBytes(AppContext& ctx, const std::vector<std::uint8_t>& bytes) {
  writeBlock(ctx, ctx.job.streamOutHandle, ctx.job.streamOutPos, bytes.data(),
             static_cast<std::int64_t>(bytes.size()));
}

// Copies the template to the start of the stream; false when the job failed.
bool copyHeaderTemplate(AppContext& ctx) {
  std::string path = ctx.paths.programFolder + kTemplateName;
  File data;
  if (!data.openExisting(path, FileAccess::Read, true)) {
    ctx.failJob("Error: Cannot open data file \"" + path + "\".");
    return false;
  }
  std::vector<std::uint8_t> header(kStreamTemplateSize, 0);
  std::int64_t dataPos = 1;
  std::int64_t got = readBlock(data, dataPos, header.data(), static_cast<std::int64_t>(header.size()));
  closeFile(data);
  // A short template would leave the header's fields in the sound blocks.
  if (got < static_cast<std::int64_t>(kStreamTemplateSize)) {
    ctx.failJob("Error: Cannot open data file \"" + path + "\".");
    return false;
  }
  writeBytes(ctx, header);
  return !ctx.job.jobFailed;
}

// Copies the next frame of tmp3; returns its size. Bytes past the end of the
// stream are written as zero.
std::int64_t copyFrame(AppContext& ctx) {
  JobState& job = ctx.job;
  std::array<std::uint8_t, kPaddedFrameSize> frame{};
  std::int64_t start = job.tmp3Pos;
  readBlock(job.tmp3Handle, job.tmp3Pos, frame.data(), kFrameHeaderSize);
  std::int64_t size = (frame[2] & kPaddingBit) ? kPaddedFrameSize : kFrameSize;
  frame.fill(0);
  job.tmp3Pos = start;
  seekTo(job.tmp3Handle, job.tmp3Pos);
  readBlock(job.tmp3Handle, job.tmp3Pos, frame.data(), size);
  writeBlock(ctx, job.streamOutHandle, job.streamOutPos, frame.data(), size);
  AppContext::setProgress(job.progressWrite, percentDone(job.tmp3Pos, job.tmp3EndPos));
  pumpMessages(ctx);
  return size;
}

std::int64_t writeSilentFrame(AppContext& ctx) {
  std::vector<std::uint8_t> frame(kFrameSize, 0);
  std::copy(kSilentFrameHeader.begin(), kSilentFrameHeader.end(), frame.begin());
  writeBytes(ctx, frame);
  return kFrameSize;
}

// Writes one sound block and its ShowFrame; false when the job failed.
bool writeSoundBlock(AppContext& ctx, std::uint16_t seek) {
  JobState& job = ctx.job;
  int frames = framesInBlock(seek);
  std::int64_t lengthPos = job.streamOutPos + static_cast<std::int64_t>(kSoundBlockLengthOffset);
  writeBytes(ctx, soundStreamBlockHead(static_cast<std::uint16_t>(frames * kSamplesPerFrame), seek));
  if (job.jobFailed) return false;

  std::int64_t frameBytes = 0;
  for (int slot = 0; slot < frames; ++slot) {
    frameBytes += job.tmp3Pos < job.tmp3EndPos ? copyFrame(ctx) : writeSilentFrame(ctx);
    if (job.jobFailed) return false;
  }

  // Only the low two bytes are patched: a block holds at most 41 x 79 bytes.
  std::int64_t endPos = job.streamOutPos;
  std::vector<std::uint8_t> length;
  appendU16(length, static_cast<std::uint16_t>(frameBytes + kSoundBlockFieldsSize));
  job.streamOutPos = lengthPos;
  seekTo(job.streamOutHandle, job.streamOutPos);
  writeBytes(ctx, length);
  job.streamOutPos = endPos;
  seekTo(job.streamOutHandle, job.streamOutPos);
  if (job.jobFailed) return false;

  writeBytes(ctx, showFrameTag());
  return !job.jobFailed;
}

// Writes the sound blocks; returns the frame count the file declares.
std::int32_t writeSoundBlocks(AppContext& ctx) {
  JobState& job = ctx.job;
  std::int32_t frameCount = 1;  // the template's own frame
  std::uint16_t seek = kFirstSeekSamples;
  while (job.tmp3Pos < job.tmp3EndPos) {
    if (frameCount >= kMaxFrameCount) {
      ctx.host.showMessage("Error: Output truncated because the maximum audio length has been reached.",
                           MessageIcon::None);
      break;
    }
    if (!writeSoundBlock(ctx, seek)) break;
    ++frameCount;
    seek = nextSeekSamples(seek);
  }
  return frameCount;
}

void patchAt(AppContext& ctx, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
  ctx.job.streamOutPos = static_cast<std::int64_t>(offset) + 1;
  seekTo(ctx.job.streamOutHandle, ctx.job.streamOutPos);
  writeBytes(ctx, bytes);
}

void writeStreamingAnimation(AppContext& ctx) {
  JobState& job = ctx.job;
  std::int32_t frameCount = writeSoundBlocks(ctx);
  if (job.jobFailed) return;
  writeBytes(ctx, endTag());
  if (job.jobFailed) return;

  std::vector<std::uint8_t> fileLength;
  appendU32(fileLength, static_cast<std::uint32_t>(job.streamOutPos - 1));
  patchAt(ctx, kSwfFileLengthOffset, fileLength);
  if (job.jobFailed) return;

  std::vector<std::uint8_t> frames;
  appendU16(frames, static_cast<std::uint16_t>(frameCount));
  patchAt(ctx, kSwfFrameCountOffset, frames);
}

}  // namespace

void writeOutputFiles(AppContext& ctx) {
  JobState& job = ctx.job;
  job.tmp3EndPos = job.tmp3Pos;
  job.tmp3Pos = 1;
  job.streamOutPos = 1;
  seekTo(job.tmp3Handle, job.tmp3Pos);

  writeControllerAnimation(ctx);
  // The template goes in even after a failed controller copy; the driver
  // removes both files then.
  if (copyHeaderTemplate(ctx) && !job.jobFailed) writeStreamingAnimation(ctx);

  AppContext::setProgress(job.progressWrite, kProgressFull);
  pumpMessages(ctx);
  if (!job.jobFailed) writeHtmlPage(ctx);
}

}  // namespace sonaflux
