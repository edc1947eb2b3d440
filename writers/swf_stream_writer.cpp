#include "writers/swf_stream_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/file_routines.h"
#include "core/messages.h"
#include "core/page_for.h"
#include "writers/controller_copy.h"
#include "writers/html_page_writer.h"
#include "writers/player_copy.h"
#include "writers/sound_stream_tags.h"

namespace sonaflux {

namespace {

constexpr std::int32_t kMaxFrameCount = 16000;

// One MPEG-2 Layer III frame at 24 kbit/s and 22 050 Hz: 78 bytes, 79 with
// the padding bit (0x02 of the third header byte) set, 576 samples.
constexpr std::int64_t kFrameSize = 78;
constexpr std::int64_t kPaddedFrameSize = 79;
constexpr std::uint8_t kPaddingBit = 0x02;
constexpr std::uint16_t kSamplesPerFrame = 576;

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
  writeBlock(ctx, ctx.job.streamOutHandle, ctx.job.streamOutPos, bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// Copies the template to the start of the stream; false when the job failed.
bool copyHeaderTemplate(AppContext& ctx) {
  std::string path = ctx.paths.programFolder + kTemplateName;
  File data;
  if (!data.openExisting(path, FileAccess::Read, true) || !data.isRegular()) {
    ctx.failJob(messageWith(kMsgCannotOpenDataFile, path));
    return false;
  }
  std::vector<std::uint8_t> header(kStreamTemplateSize, 0);
  std::int64_t dataPos = 1;
  std::int64_t got = readBlock(data, dataPos, header.data(), static_cast<std::int64_t>(header.size()));
  closeFile(data);
  // A short template would leave the header's fields in the sound blocks.
  // So would anything that is not an uncompressed Flash header.
  const bool flashHeader = header[0] == 'F' && header[1] == 'W' && header[2] == 'S';
  if (got < static_cast<std::int64_t>(kStreamTemplateSize) || !flashHeader) {
    ctx.failJob(messageWith(kMsgCannotOpenDataFile, path));
    return false;
  }
  writeBytes(ctx, header);
  return !ctx.job.jobFailed;
}

// Reads the compressed stream frame by frame through a read-ahead buffer;
// tmp3Pos moves on by each frame's size.
class FrameReader {
 public:
  explicit FrameReader(JobState& job) : m_job(job) {}

  // Appends the next frame to out and returns its size. Bytes the stream
  // cannot deliver are zero, so a cut frame still has its full size.
  std::int64_t appendFrame(std::vector<std::uint8_t>& out) {
    std::int64_t start = m_job.tmp3Pos;
    std::int64_t size = (byteAt(start + 2) & kPaddingBit) ? kPaddedFrameSize : kFrameSize;
    for (std::int64_t i = 0; i < size; ++i) out.push_back(byteAt(start + i));
    m_job.tmp3Pos = start + size;
    return size;
  }

  bool shortRead() const { return m_shortRead; }

 private:
  static constexpr std::int64_t kChunk = 64 * 1024;

  std::uint8_t byteAt(std::int64_t position) {
    std::int64_t index = position - m_bufferStart;
    if (index < 0 || index >= static_cast<std::int64_t>(m_buffer.size())) {
      m_buffer.resize(kChunk);
      std::int64_t readPos = position;
      seekTo(m_job.tmp3Handle, readPos);
      std::int64_t got = readBlock(m_job.tmp3Handle, readPos, m_buffer.data(), kChunk);
      // Less than the stream's own end promised: the file was cut meanwhile.
      if (got < std::min(kChunk, m_job.tmp3EndPos - position)) m_shortRead = true;
      m_buffer.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
      m_bufferStart = position;
      index = 0;
      if (m_buffer.empty()) return 0;
    }
    return m_buffer[static_cast<std::size_t>(index)];
  }

  JobState& m_job;
  bool m_shortRead = false;
  std::vector<std::uint8_t> m_buffer;
  std::int64_t m_bufferStart = 1;
};

void appendSilentFrame(std::vector<std::uint8_t>& out) {
  out.insert(out.end(), kSilentFrameHeader.begin(), kSilentFrameHeader.end());
  out.insert(out.end(), kFrameSize - kSilentFrameHeader.size(), 0);
}

// Builds one sound block and its ShowFrame in memory, then writes them in
// one go; false when the job failed.
bool writeSoundBlock(AppContext& ctx, FrameReader& reader, std::uint16_t seek) {
  JobState& job = ctx.job;
  int frames = framesInBlock(seek);
  std::vector<std::uint8_t> data;
  std::size_t realEnd = 0;
  for (int slot = 0; slot < frames; ++slot) {
    if (job.tmp3Pos < job.tmp3EndPos) {
      reader.appendFrame(data);
      if (reader.shortRead()) {
        ctx.failJob(kMsgCannotReadFile);
        return false;
      }
      realEnd = data.size();
      AppContext::setProgress(job.progressWrite, percentDone(job.tmp3Pos, job.tmp3EndPos));
      pumpMessages(ctx);
      if (job.jobFailed) return false;
    } else {
      appendSilentFrame(data);
    }
  }
  std::vector<std::uint8_t> block =
      soundStreamBlockTag(static_cast<std::uint16_t>(frames * kSamplesPerFrame), seek, data);
  std::vector<std::uint8_t> showFrame = swf::showFrameTag();
  block.insert(block.end(), showFrame.begin(), showFrame.end());
  writeBytes(ctx, block);
  // The plain MP3 file gets the same frames, without the silent fill.
  if (!job.jobFailed && job.mp3OutHandle.isOpen() && realEnd > 0)
    writeBlock(ctx, job.mp3OutHandle, job.mp3OutPos, data.data(), static_cast<std::int64_t>(realEnd));
  return !job.jobFailed;
}

// Writes the sound blocks; returns the frame count the file declares.
std::int32_t writeSoundBlocks(AppContext& ctx) {
  JobState& job = ctx.job;
  std::int32_t frameCount = 1;  // the template's own frame
  std::uint16_t seek = kFirstSeekSamples;
  FrameReader reader(job);
  while (job.tmp3Pos < job.tmp3EndPos) {
    if (frameCount >= kMaxFrameCount) {
      ctx.host.showMessage(kMsgOutputTruncated, MessageIcon::None);
      break;
    }
    if (!writeSoundBlock(ctx, reader, seek)) break;
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
  writeBytes(ctx, swf::endTag());
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
  if (copyHeaderTemplate(ctx)) writeStreamingAnimation(ctx);
  flushFile(ctx, job.streamOutHandle);
  flushFile(ctx, job.mp3OutHandle);

  AppContext::setProgress(job.progressWrite, kProgressFull);
  pumpMessages(ctx);
  if (!job.jobFailed) writeHtmlPage(ctx);
  if (!job.jobFailed && jobPageFor(ctx) == PageFor::FlashAndRuffleCopied) copyPlayerBesidePage(ctx);
}

}  // namespace sonaflux
