#include "audio/mp3_frame_scanner.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <optional>
#include <span>
#include <string_view>

#include "audio/mp3_frame_header.h"
#include "core/byte_order.h"
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

  std::int64_t skip = std::int64_t{s[0]} * 2097152 + std::int64_t{s[1]} * 16384 + std::int64_t{s[2]} * 128 + s[3];
  if (skip > kLargestSkippedTag) {
    std::int64_t body = synchsafe32(s);
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

// Junk and false syncs give no frame to pump after; the scan still pumps
// this often, so that Cancel is seen in a file of junk.
constexpr std::int64_t kScanPumpInterval = 64 * 1024;

void showReadProgress(AppContext& ctx) {
  const JobState& job = ctx.job;
  AppContext::setProgress(job.progressRead, percentDone(job.inputPos, job.inputSize));
  pumpMessages(ctx);
}

enum class SyncSearch { Found, NotYet, None };

// Bytes other than 0xFF are passed over a block at a time rather than byte by
// byte, at most kScanPumpInterval of them per call. Found leaves inputPos
// after the next 0xFF before the input's last byte, NotYet after the bytes
// passed over; None: there is no such byte.
SyncSearch skipToNextSyncByte(AppContext& ctx, std::vector<std::uint8_t>& scratch) {
  JobState& job = ctx.job;
  const std::int64_t stopAt = job.inputPos + kScanPumpInterval;
  while (job.inputPos < job.inputSize) {
    if (job.inputPos >= stopAt) return SyncSearch::NotYet;
    const std::int64_t count =
        std::min<std::int64_t>(job.inputSize - job.inputPos, static_cast<std::int64_t>(scratch.size()));
    const std::int64_t start = job.inputPos;
    const std::int64_t got = readBlock(job.inputHandle, job.inputPos, scratch.data(), count);
    if (got < count) return SyncSearch::None;
    auto found = std::find(scratch.begin(), scratch.begin() + count, kFrameSyncByte);
    if (found != scratch.begin() + count) {
      job.inputPos = start + (found - scratch.begin()) + 1;
      seekTo(job.inputHandle, job.inputPos);
      return SyncSearch::Found;
    }
  }
  return SyncSearch::None;
}

// What may follow a frame: another header, a trailing tag, or the end of the
// input. "APETAGEX" is the longest of them.
constexpr std::int64_t kLookahead = 8;

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin(), [](char c, std::uint8_t b) {
           return static_cast<std::uint8_t>(c) == b;
         });
}

// The resync rule of decoders: a sync pattern in junk, in a tag or inside
// another frame is rarely followed, exactly one computed length later, by
// another header or a tag.
bool endsWhereAFrameCanEnd(std::span<const std::uint8_t> after) {
  return after.empty() || isValidFrameHeader(after) || startsWith(after, "TAG") || startsWith(after, "APETAGEX") ||
         startsWith(after, "ID3");
}

// The last free-format length measured, without padding, and its stream.
struct FreeFormatLength {
  FrameHeader header;
  std::int32_t unpadded = 0;
};

// A free-format frame reaches up to the next header of the same stream; the
// last frame, which has none after it, is as long as the one before. Leaves
// inputPos undefined; nothing when no length can be found.
std::optional<std::int32_t> measureFreeFormatFrame(JobState& job, std::int64_t frameStart, const FrameHeader& header,
                                                   std::vector<std::uint8_t>& buffer, FreeFormatLength& last) {
  const std::int32_t padding = header.padding ? paddingSlotSize(header.layer) : 0;
  std::int64_t pos = frameStart;
  seekTo(job.inputHandle, pos);
  const std::int64_t count =
      std::min<std::int64_t>(job.inputSize - frameStart + 1, static_cast<std::int64_t>(buffer.size()) - kLookahead);
  const std::int64_t got = std::max<std::int64_t>(readBlock(job.inputHandle, pos, buffer.data(), count), 0);
  const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(got));
  for (std::size_t i = kFrameHeaderSize; i + kFrameHeaderSize <= bytes.size(); ++i) {
    if (bytes[i] != kFrameSyncByte || !isValidFrameHeader(bytes.subspan(i))) continue;
    if (!sameFreeFormatStream(header, decodeFrameHeader(bytes[i + 1], bytes[i + 2], bytes[i + 3]))) continue;
    last = {header, static_cast<std::int32_t>(i) - padding};
    return static_cast<std::int32_t>(i);
  }
  if (last.unpadded > 0 && sameFreeFormatStream(last.header, header)) return last.unpadded + padding;
  return std::nullopt;
}

void scanFrames(AppContext& ctx, std::vector<std::uint8_t>& frameBuffer) {
  JobState& job = ctx.job;
  assert(frameBuffer.size() >= static_cast<std::size_t>(kLongestFrameLength + kLookahead));
  if (job.inputPos + 2 >= job.inputSize) return;

  std::uint8_t current = 0;
  bool haveCurrent = !readTagIdentifier(ctx, current);
  if (!haveCurrent) skipLeadingTag(ctx);

  FreeFormatLength lastFreeFormat;
  std::int64_t nextFrameAt = 0;  // where the frame before ended
  std::int64_t pumpedAt = job.inputPos;
  for (;;) {
    if (job.inputPos - pumpedAt >= kScanPumpInterval) {
      showReadProgress(ctx);
      pumpedAt = job.inputPos;
      if (job.jobFailed) return;
    }
    if (!haveCurrent) {
      if (job.inputPos >= job.inputSize) return;
      readByte(job.inputHandle, job.inputPos, current);
    }
    haveCurrent = false;
    if (current != kFrameSyncByte) {
      const SyncSearch search = skipToNextSyncByte(ctx, frameBuffer);
      if (search == SyncSearch::None) return;
      if (search == SyncSearch::NotYet) continue;
      current = kFrameSyncByte;
    }

    std::array<std::uint8_t, kFrameHeaderSize> headerBytes = {current, 0, 0, 0};
    readByte(job.inputHandle, job.inputPos, headerBytes[1]);
    if (!isFrameSync(current, headerBytes[1])) continue;
    readByte(job.inputHandle, job.inputPos, headerBytes[2]);
    readByte(job.inputHandle, job.inputPos, headerBytes[3]);
    const std::int64_t frameStart = job.inputPos - static_cast<std::int64_t>(kFrameHeaderSize);
    auto resumeAfterSync = [&] {
      job.inputPos = frameStart + 1;
      seekTo(job.inputHandle, job.inputPos);
    };
    if (!isValidFrameHeader(headerBytes)) {
      resumeAfterSync();
      continue;
    }
    const FrameHeader header = decodeFrameHeader(headerBytes[1], headerBytes[2], headerBytes[3]);
    std::optional<std::int32_t> length =
        header.freeFormat ? measureFreeFormatFrame(job, frameStart, header, frameBuffer, lastFreeFormat)
                          : std::optional<std::int32_t>(frameLength(header));
    if (!length || *length + kLookahead > static_cast<std::int64_t>(frameBuffer.size())) {
      resumeAfterSync();
      continue;
    }
    // A frame cut by the end of the input ends the stream: what lies inside
    // it is no header of its own.
    const std::int64_t left = job.inputSize - frameStart + 1;
    if (*length > left) return;

    job.inputPos = frameStart;
    seekTo(job.inputHandle, job.inputPos);
    const std::int64_t count = std::min<std::int64_t>(*length + kLookahead, left);
    if (readBlock(job.inputHandle, job.inputPos, frameBuffer.data(), count) < count) return;
    // Decoders look ahead only when they search; a header right where the
    // frame before ended is taken as it is.
    if (frameStart != nextFrameAt && !endsWhereAFrameCanEnd(std::span<const std::uint8_t>(
                                         frameBuffer.data() + *length, static_cast<std::size_t>(count - *length)))) {
      resumeAfterSync();
      continue;
    }
    job.inputPos = frameStart + *length;
    nextFrameAt = job.inputPos;
    seekTo(job.inputHandle, job.inputPos);

    showReadProgress(ctx);
    pumpedAt = job.inputPos;

    job.sampleRate = header.sampleRate;
    job.inputStereo = header.stereo;
    writeBlock(ctx, job.tmp1Handle, job.tmp1Pos, frameBuffer.data(), *length);
    if (job.jobFailed) return;
  }
}

}  // namespace

void scanMp3Frames(AppContext& ctx, std::vector<std::uint8_t>& frameBuffer) {
  scanFrames(ctx, frameBuffer);
  flushFile(ctx, ctx.job.tmp1Handle);
}

}  // namespace sonaflux
