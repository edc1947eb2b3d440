#include "audio/wav_reader.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "audio/pcm_peak.h"
#include "audio/riff_chunks.h"
#include "audio/riff_types.h"
#include "core/byte_order.h"
#include "core/file_routines.h"
#include "core/messages.h"

namespace sonaflux {

namespace {

const char* const kNotRiffMessage = kMsgWavNotRiff;
const char* const kUnsupportedMessage = kMsgWavUnsupported;

// A walk through many small chunks (a file padded with zeros) pumps at
// least this often, so that Cancel is seen.
constexpr std::int64_t kWalkPumpInterval = 64 * 1024;

class WavReader {
 public:
  explicit WavReader(AppContext& ctx) : m_ctx(ctx), m_job(ctx.job) {}
  void run();

 private:
  /// Reads count bytes at the input position; bytes past the end read as 0.
  std::vector<std::uint8_t> readBytes(std::size_t count);
  void readFmtChunk();
  /// Converts one data chunk into tmp2; false when the file ended inside it.
  bool convertDataChunk(std::uint32_t declaredSize);
  void showProgress();

  AppContext& m_ctx;
  JobState& m_job;
  bool m_fmtSeen = false;
  std::int64_t m_pumpedAt = 1;
};

std::vector<std::uint8_t> WavReader::readBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count, 0);
  readBlock(m_job.inputHandle, m_job.inputPos, bytes.data(), static_cast<std::int64_t>(count));
  return bytes;
}

void WavReader::showProgress() {
  AppContext::setProgress(m_job.progressDecode, percentDone(m_job.inputPos, m_job.inputSize));
  pumpMessages(m_ctx);
  m_pumpedAt = m_job.inputPos;
}

void WavReader::readFmtChunk() {
  m_fmtSeen = true;
  Parsed<PcmFormat> fmt = parseFmtChunk(readBytes(kFmtFieldsSize));
  if (!fmt.value) {
    m_ctx.failJob(kUnsupportedMessage);
  } else {
    m_job.inputStereo = fmt.value->channels != 1;
    m_job.sampleRate = static_cast<std::int32_t>(fmt.value->sampleRate);
    m_job.wavBitsPerSample = fmt.value->bitsPerSample;
  }
  showProgress();
}

bool WavReader::convertDataChunk(std::uint32_t declaredSize) {
  std::vector<std::uint8_t> samples(kSixteenBitBlockSize);
  std::vector<std::uint8_t> raw(kEightBitBlockSize);
  const bool eightBit = m_job.wavBitsPerSample != 16;
  std::uint64_t remaining = declaredSize;
  while (remaining != 0) {
    std::size_t block = static_cast<std::size_t>(
        std::min<std::uint64_t>(remaining, eightBit ? kEightBitBlockSize : kSixteenBitBlockSize));
    remaining -= block;
    std::int64_t got = readBlock(m_job.inputHandle, m_job.inputPos, eightBit ? raw.data() : samples.data(),
                                 static_cast<std::int64_t>(block));
    std::size_t delivered = got > 0 ? static_cast<std::size_t>(got) : 0;
    const bool fileEnded = delivered < block;
    std::size_t bytes = delivered;
    if (eightBit) {
      for (std::size_t i = 0; i < delivered; ++i)
        storeU16(samples.data() + 2 * i, static_cast<std::uint16_t>(eightBitToSixteen(raw[i])));
      bytes = delivered * 2;
    }
    bytes &= ~static_cast<std::size_t>(1);  // whole 16-bit samples only
    if (m_job.jobFailed) return false;
    raisePeak(m_job.peakLevel, {samples.data(), bytes});
    writeBlock(m_ctx, m_job.tmp2Handle, m_job.tmp2Pos, samples.data(), static_cast<std::int64_t>(bytes));
    showProgress();
    if (fileEnded) return false;
  }
  return true;
}

void WavReader::run() {
  m_job.sampleRate = 0;
  m_job.inputStereo = true;
  m_job.peakLevel = 1;
  m_job.tmp2Pos = 1;
  JobState& job = m_job;

  if (job.inputPos + 2 < job.inputSize) {
    Parsed<std::uint32_t> riff = parseRiffHeader(readBytes(kRiffHeaderSize));
    if (!riff.value)
      m_ctx.failJob(std::string_view(riff.failedField) == kRiffIdField ? kNotRiffMessage : kUnsupportedMessage);
    while (!job.jobFailed && job.inputPos < job.inputSize) {
      // Past the end of the file the header reads as zeros and matches nothing.
      std::array<std::uint8_t, kChunkHeaderSize> header = {};
      readBlock(job.inputHandle, job.inputPos, header.data(), static_cast<std::int64_t>(header.size()));
      Parsed<ChunkHeader> chunk = parseChunkHeader(header);
      if (!chunk.value) break;
      const std::string& id = chunk.value->id;
      const std::uint32_t size = chunk.value->size;
      const std::int64_t chunkStart = job.inputPos;
      bool fileEnded = false;
      bool dataComplete = false;
      if (id == kFmtChunkId) {
        readFmtChunk();
      } else if (id == kDataChunkId) {
        // Samples before any format would be guessed at; refuse the file instead.
        if (!m_fmtSeen)
          m_ctx.failJob(kUnsupportedMessage);
        else {
          fileEnded = !convertDataChunk(size);
          dataComplete = !fileEnded;
        }
      }
      // With the format and all of the samples known, the rest of the file
      // (often zeros or junk) is of no use.
      if (job.jobFailed || fileEnded || dataComplete) break;
      // A size that runs past the end of the file ends the walk: never move backwards.
      std::int64_t next = chunkStart + static_cast<std::int64_t>(size);
      if (next > job.inputSize) break;
      // RIFF pads odd-sized chunks with a zero byte; files written without it still work.
      if (size % 2 == 1 && next < job.inputSize) {
        job.inputPos = next;
        seekTo(job.inputHandle, job.inputPos);
        std::uint8_t pad = 1;
        readByte(job.inputHandle, job.inputPos, pad);
        if (pad == 0) ++next;
      }
      job.inputPos = next;
      seekTo(job.inputHandle, job.inputPos);
      if (job.inputPos - m_pumpedAt >= kWalkPumpInterval) showProgress();
    }
  }
}

}  // namespace

void readWavInput(AppContext& ctx) {
  WavReader(ctx).run();
  flushFile(ctx, ctx.job.tmp2Handle);
  AppContext::setProgress(ctx.job.progressDecode, kProgressFull);
  pumpMessages(ctx);
}

}  // namespace sonaflux
