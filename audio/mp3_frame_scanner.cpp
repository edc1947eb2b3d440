#include "audio/mp3_frame_scanner.h"

#include <algorithm>
#include <cassert>

#include "audio/mp3_frame_header.h"
#include "core/file_routines.h"

namespace sonaflux {

namespace {

constexpr std::int64_t kId3HeaderSize = 10;
constexpr std::int64_t kId3FooterSize = 10;
constexpr std::int64_t kLargestSkippedTag = 32768;
constexpr std::uint8_t kId3FooterFlag = 0x10;

// Reads an ID3v2 header whose "ID3" has just been read and moves inputPos past
// the tag. A tag that claims more than kLargestSkippedTag bytes is skipped
// whole only when it ends inside the file; otherwise only its header is
// skipped and its body scanned like any other bytes.
void skipLeadingTag(AppContext& ctx) {
  JobState& job = ctx.job;
  std::uint8_t version = 0, revision = 0, flags = 0;
  readByte(job.inputHandle, job.inputPos, version);
  readByte(job.inputHandle, job.inputPos, revision);
  readByte(job.inputHandle, job.inputPos, flags);
  std::uint8_t s[4] = {};
  for (std::uint8_t& b : s) readByte(job.inputHandle, job.inputPos, b);

  std::int64_t skip = std::int64_t{s[0]} * 2097152 + std::int64_t{s[1]} * 16384 +
                      std::int64_t{s[2]} * 128 + s[3];
  if (skip > kLargestSkippedTag) {
    std::int64_t body = (std::int64_t{s[0] & 0x7F} << 21) | (std::int64_t{s[1] & 0x7F} << 14) |
                        (std::int64_t{s[2] & 0x7F} << 7) | (s[3] & 0x7F);
    if (flags & kId3FooterFlag) body += kId3FooterSize;
    skip = kId3HeaderSize + body <= job.inputSize ? body : 0;
  }
  job.inputPos += skip;
  seekTo(job.inputHandle, job.inputPos);
}

// Reads the three bytes after "I" that may complete "ID3". Returns true for a
// tag; otherwise current holds the byte that broke the match, to be scanned.
bool readTagIdentifier(AppContext& ctx, std::uint8_t& current) {
  JobState& job = ctx.job;
  readByte(job.inputHandle, job.inputPos, current);
  if (current != 'I') return false;
  readByte(job.inputHandle, job.inputPos, current);
  if (current != 'D') return false;
  readByte(job.inputHandle, job.inputPos, current);
  return current == '3';
}

// Bytes other than 0xFF are passed over a block at a time rather than byte by
// byte. Leaves inputPos after the next 0xFF before the input's last byte and
// returns true, or returns false when there is none.
bool skipToNextSyncByte(AppContext& ctx, std::vector<std::uint8_t>& scratch) {
  JobState& job = ctx.job;
  while (job.inputPos < job.inputSize) {
    const std::int64_t count =
        std::min<std::int64_t>(job.inputSize - job.inputPos, static_cast<std::int64_t>(scratch.size()));
    const std::int64_t start = job.inputPos;
    const std::int64_t got = readBlock(job.inputHandle, job.inputPos, scratch.data(), count);
    if (got < count) return false;
    auto found = std::find(scratch.begin(), scratch.begin() + count, kFrameSyncByte);
    if (found != scratch.begin() + count) {
      job.inputPos = start + (found - scratch.begin()) + 1;
      seekTo(job.inputHandle, job.inputPos);
      return true;
    }
  }
  return false;
}

}  // namespace

void scanMp3Frames(AppContext& ctx, std::vector<std::uint8_t>& frameBuffer) {
  JobState& job = ctx.job;
  assert(frameBuffer.size() >= static_cast<std::size_t>(kLongestFrameLength));
  if (job.inputPos + 2 >= job.inputSize) return;

  std::uint8_t current = 0;
  bool haveCurrent = !readTagIdentifier(ctx, current);
  if (!haveCurrent) skipLeadingTag(ctx);

  for (;;) {
    if (!haveCurrent) {
      if (job.inputPos >= job.inputSize) return;
      readByte(job.inputHandle, job.inputPos, current);
    }
    haveCurrent = false;
    if (current != kFrameSyncByte) {
      if (!skipToNextSyncByte(ctx, frameBuffer)) return;
      current = kFrameSyncByte;
    }

    std::uint8_t byte2 = 0, byte3 = 0, byte4 = 0;
    readByte(job.inputHandle, job.inputPos, byte2);
    if (!isFrameSync(current, byte2)) continue;
    readByte(job.inputHandle, job.inputPos, byte3);
    readByte(job.inputHandle, job.inputPos, byte4);
    const FrameHeader header = decodeFrameHeader(byte2, byte3, byte4);
    const std::int32_t length = frameLength(header);

    job.inputPos -= static_cast<std::int64_t>(kFrameHeaderSize);
    seekTo(job.inputHandle, job.inputPos);
    const std::int64_t frameStart = job.inputPos;
    const std::int64_t got = readBlock(job.inputHandle, job.inputPos, frameBuffer.data(), length);
    if (got < length) {
      // Cut off by the end of the input: most likely a stray sync, so it is
      // dropped and the scan goes on after its first byte; tmp1 keeps whole frames only.
      job.inputPos = frameStart + 1;
      seekTo(job.inputHandle, job.inputPos);
      continue;
    }

    const float percent = static_cast<float>(static_cast<double>(job.inputPos) * 100.0 /
                                             static_cast<double>(job.inputSize));
    AppContext::setProgress(job.progressRead, static_cast<int>(percent));
    pumpMessages(ctx);

    job.sampleRate = header.sampleRate;
    job.inputStereo = header.stereo;
    writeBlock(ctx, job.tmp1Handle, job.tmp1Pos, frameBuffer.data(), length);
    if (job.jobFailed) return;
  }
}

}  // namespace sonaflux
