#include "audio/stream_compression.h"

#include <new>
#include <vector>

#include "audio/encoder_config.h"
#include "core/byte_order.h"
#include "core/file_routines.h"
#include "core/messages.h"

namespace sonaflux {

namespace {

// Closes the encoder stream on every path once it was opened, so that a
// failed job does not leave the plug-in holding it.
class StreamCloser {
 public:
  StreamCloser(JobState& job, SnxBeStream stream) : m_job(job), m_stream(stream) {}
  ~StreamCloser() {
    if (m_job.pBeCloseStream) m_job.pBeCloseStream(m_stream);
  }
  StreamCloser(const StreamCloser&) = delete;
  StreamCloser& operator=(const StreamCloser&) = delete;

 private:
  JobState& m_job;
  SnxBeStream m_stream;
};

void appendEncoded(AppContext& ctx, const std::vector<std::uint8_t>& output, std::uint32_t written) {
  if (written > 0)
    writeBlock(ctx, ctx.job.tmp3Handle, ctx.job.tmp3Pos, output.data(), static_cast<std::int64_t>(written));
}

bool encodeTmp2IntoTmp3(AppContext& ctx) {
  JobState& job = ctx.job;
  job.tmp3Pos = 1;
  job.tmp2End = job.tmp2Pos;
  job.tmp2Pos = 1;
  seekTo(job.tmp2Handle, 1);

  const EncoderConfig config = makeEncoderConfig(job.sampleRate, job.inputStereo);
  std::uint32_t samplesPerChunk = 0;
  std::uint32_t outputSize = 0;
  SnxBeStream stream = nullptr;
  if (job.pBeInitStream(config.data(), &samplesPerChunk, &outputSize, &stream) != SNX_BE_OK) {
    ctx.failJob(kMsgCannotInitialiseLame);
    return false;
  }
  StreamCloser closer(job, stream);

  std::vector<std::uint8_t> output;
  std::vector<std::uint8_t> pcm;
  try {
    output.resize(outputSize);
    pcm.resize(2 * static_cast<std::size_t>(samplesPerChunk));
  } catch (const std::bad_alloc&) {
    ctx.failJob(kMsgLameOutOfMemory);
    return false;
  }
  if (pcm.empty() || output.empty()) {
    ctx.failJob(kMsgLameOutOfMemory);
    return false;
  }

  const NormalisationTable normalise(job.peakLevel, job.inputStereo);
  while (job.tmp2Pos < job.tmp2End) {
    std::int64_t bytes = std::min<std::int64_t>(job.tmp2End - job.tmp2Pos, static_cast<std::int64_t>(pcm.size()));
    // Stale bytes from the last chunk must never reach the encoder.
    if (!readBlockFully(ctx, job.tmp2Handle, job.tmp2Pos, pcm.data(), bytes)) return false;
    for (std::int64_t i = 0; i + 1 < bytes; i += 2) {
      std::uint8_t* sample = pcm.data() + i;
      storeU16(sample, static_cast<std::uint16_t>(normalise(static_cast<std::int16_t>(sampleAt(sample)))));
    }
    AppContext::setProgress(job.progressCompress, percentDone(job.tmp2Pos, job.tmp2End));
    pumpMessages(ctx);

    std::uint32_t written = 0;
    if (job.pBeEncodeChunk(stream, static_cast<std::uint32_t>(bytes / 2),
                           reinterpret_cast<const std::int16_t*>(pcm.data()), output.data(), &written) != SNX_BE_OK) {
      ctx.failJob(kMsgCannotEncode);
      return false;
    }
    appendEncoded(ctx, output, written);
    if (job.jobFailed) return false;
  }

  std::uint32_t written = 0;
  if (job.pBeDeinitStream(stream, output.data(), &written) != SNX_BE_OK) {
    ctx.failJob(kMsgCannotDeinitialiseLame);
    return false;
  }
  appendEncoded(ctx, output, written);
  flushFile(ctx, job.tmp3Handle);
  return !job.jobFailed;
}

}  // namespace

void compressStream(AppContext& ctx) {
  if (!encodeTmp2IntoTmp3(ctx)) return;
  AppContext::setProgress(ctx.job.progressCompress, kProgressFull);
  pumpMessages(ctx);
}

}  // namespace sonaflux
