#include "audio/mp3_decoding.h"

#include <algorithm>
#include <new>
#include <vector>

#include "audio/pcm_peak.h"
#include "core/file_routines.h"
#include "core/messages.h"

namespace sonaflux {

namespace {

constexpr std::int64_t kInputPieceSize = 16384;
constexpr std::int32_t kPcmBlockSize = SNX_DECODER_OUTPUT_SIZE;
constexpr std::size_t kDecoderStateSize = SNX_DECODER_STATE_SIZE;
constexpr std::int32_t kDecodeBlockReady = 0;
constexpr int kMostEmptyBlocksInARow = 64;

// Feeds tmp1 to the decoder piece by piece and appends its PCM to tmp2.
void decodePieces(AppContext& ctx, void* state, std::uint8_t* input, std::uint8_t* output) {
  JobState& job = ctx.job;
  while (job.tmp1Pos < job.tmp1End) {
    const std::int64_t count = std::min(job.tmp1End - job.tmp1Pos, kInputPieceSize);
    // The decoder must never see what an earlier piece left in the buffer.
    if (readBlock(job.tmp1Handle, job.tmp1Pos, input, count) < count) {
      ctx.failJob(kMsgCannotReadFile);
      return;
    }
    AppContext::setProgress(job.progressDecode, percentDone(job.tmp1Pos, job.tmp1End));
    pumpMessages(ctx);

    std::int32_t produced = 0;
    std::int32_t result =
        job.pDecodeMP3(state, input, static_cast<std::int32_t>(count), output, kPcmBlockSize, &produced);
    int emptyBlocks = 0;
    while (result == kDecodeBlockReady) {
      // A decoder that claims more than the buffer holds is not trusted beyond it.
      if (produced > kPcmBlockSize) produced = kPcmBlockSize;
      if (produced > 0) {
        raisePeak(job.peakLevel, {output, static_cast<std::size_t>(produced)});
        writeBlock(ctx, job.tmp2Handle, job.tmp2Pos, output, produced);
        emptyBlocks = 0;
      } else if (++emptyBlocks > kMostEmptyBlocksInARow) {
        break;  // a decoder that never asks for more input would hang the job
      }
      if (job.jobFailed) return;
      result = job.pDecodeMP3(state, input, 0, output, kPcmBlockSize, &produced);
    }
  }
}

}  // namespace

void decodeMp3Input(AppContext& ctx) {
  JobState& job = ctx.job;
  std::vector<std::uint8_t> input, output, state;
  try {
    input.resize(kInputPieceSize);
    output.resize(kPcmBlockSize);
    state.resize(kDecoderStateSize);
  } catch (const std::bad_alloc&) {
    ctx.failJob(kMsgOutOfMemory);
    return;
  }

  job.pInitMP3(state.data());
  job.tmp1End = job.tmp1Pos;
  job.tmp1Pos = 1;
  job.tmp2Pos = 1;
  seekTo(job.tmp1Handle, job.tmp1Pos);
  job.peakLevel = 1;

  decodePieces(ctx, state.data(), input.data(), output.data());
  flushFile(ctx, job.tmp2Handle);

  job.pExitMP3(state.data());
  AppContext::setProgress(job.progressDecode, kProgressFull);
  pumpMessages(ctx);
}

}  // namespace sonaflux
