// lame_enc.so: the configuration-record encoder interface over libmp3lame,
// with libsoxr converting the input to the output rate before LAME sees it.
#include <lame/lame.h>
#include <soxr.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "codecs/lame_enc_api.h"

namespace {

constexpr uint8_t kPluginMajor = 1;
constexpr uint8_t kPluginMinor = 0;

// The per-call cost does not show in the encoding time even at 576 samples
// a call, so the chunk only sets how often the caller updates its progress
// and pumps: 32768 samples are under a second of sound from 44 100 Hz up
// (a few milliseconds of work) and a few seconds at telephone rates.
constexpr uint32_t kChunkSamples = 32768;
// Output samples the resampler may hand out beyond the chunk's own share
// (its filter's look-ahead, released with a later chunk or the flush).
constexpr uint32_t kResamplerSlack = 8192;
// LAME's worst case for n samples in one call is 1.25 n + 7200 bytes.
constexpr double kLameBytesPerSample = 1.25;
constexpr uint32_t kLameBufferReserve = 7200;

constexpr uint32_t kMinInputRate = 1000;
constexpr uint32_t kMaxInputRate = 1536000;  // 768 kHz stereo passed as one channel

// LAME's algorithm quality for the very-high-quality preset, chosen by
// measurement at 24 kbit/s (bench/codec_bench.sh): on a noise-to-mask
// measure speech and recorded music rank q 0 best, then 2, 3, 5, 7, while
// q 2 takes about a third of q 0's time (some 250 times real time).
constexpr int kVeryHighQualityAlgorithm = 2;
// libsoxr's high-quality recipe (20-bit precision) costs about 3 % of
// LAME's time. Its passband is widened from 0.913 to 0.95 of the lower
// Nyquist frequency: the default dulls low-rate input (8 kHz speech came out
// measurably further from the input than through LAME's own resampler),
// while from higher rates LAME's low-pass lies far below either edge.
constexpr unsigned long kResamplerRecipe = SOXR_HQ;
constexpr double kResamplerPassbandEnd = 0.95;

struct Stream {
  lame_global_flags* lame = nullptr;
  soxr_t resampler = nullptr;  // none when the input is at the output rate
  uint32_t chunkSamples = 0;
  uint32_t bufferSize = 0;
  bool flushed = false;
  std::vector<float> resampled;

  ~Stream() {
    if (resampler != nullptr) soxr_delete(resampler);
    if (lame != nullptr) lame_close(lame);
  }
};

// Open streams; a handle is served only while it is here, so a closed or
// foreign handle is refused instead of followed.
std::mutex g_streamsMutex;
std::unordered_set<Stream*> g_streams;

bool isOpen(Stream* stream) {
  std::lock_guard lock(g_streamsMutex);
  return g_streams.count(stream) != 0;
}

uint32_t readField(const uint8_t* config, int offset) {
  const uint8_t* p = config + offset;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool isMp3SampleRate(uint32_t rate) {
  for (uint32_t r : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
    if (rate == r) return true;
  }
  return false;
}

struct Settings {
  uint32_t inputRate = 0;
  uint32_t outputRate = 0;
  uint32_t bitrate = 0;
  uint32_t preset = 0;
  bool privateBit = false, crc = false, copyright = false, original = false;
  uint32_t emphasis = 0;
  bool noReservoir = false, strictIso = false;
};

// Reads the record; false for anything this encoder cannot honour exactly.
bool readSettings(const uint8_t* config, Settings& s) {
  if (readField(config, SNX_BE_OFFSET_KIND) != SNX_BE_CONFIG_KIND_LAME ||
      readField(config, SNX_BE_OFFSET_VERSION) != SNX_BE_CONFIG_VERSION ||
      readField(config, SNX_BE_OFFSET_SIZE) != SNX_BE_CONFIG_SIZE)
    return false;
  s.inputRate = readField(config, SNX_BE_OFFSET_INPUT_RATE);
  s.outputRate = readField(config, SNX_BE_OFFSET_OUTPUT_RATE);
  s.bitrate = readField(config, SNX_BE_OFFSET_BITRATE);
  s.preset = readField(config, SNX_BE_OFFSET_PRESET);
  s.privateBit = readField(config, SNX_BE_OFFSET_PRIVATE) != 0;
  s.crc = readField(config, SNX_BE_OFFSET_CRC) != 0;
  s.copyright = readField(config, SNX_BE_OFFSET_COPYRIGHT) != 0;
  s.original = readField(config, SNX_BE_OFFSET_ORIGINAL) != 0;
  s.emphasis = readField(config, SNX_BE_OFFSET_EMPHASIS);
  s.noReservoir = readField(config, SNX_BE_OFFSET_NO_RESERVOIR) != 0;
  s.strictIso = readField(config, SNX_BE_OFFSET_STRICT_ISO) != 0;
  return s.inputRate >= kMinInputRate && s.inputRate <= kMaxInputRate && isMp3SampleRate(s.outputRate) &&
         s.bitrate != 0 && readField(config, SNX_BE_OFFSET_MODE) == SNX_BE_MODE_MONO &&
         readField(config, SNX_BE_OFFSET_ENABLE_VBR) == 0 && s.emphasis <= 3;
}

lame_global_flags* createLame(const Settings& s) {
  lame_global_flags* lame = lame_init();
  if (lame == nullptr) return nullptr;
  lame_set_num_channels(lame, 1);
  lame_set_mode(lame, MONO);
  // The input reaches LAME already at the output rate.
  lame_set_in_samplerate(lame, int(s.outputRate));
  lame_set_out_samplerate(lame, int(s.outputRate));
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, int(s.bitrate));
  if (s.preset == SNX_BE_PRESET_VERY_HIGH_QUALITY) lame_set_quality(lame, kVeryHighQualityAlgorithm);
  lame_set_extension(lame, s.privateBit);
  lame_set_error_protection(lame, s.crc);
  lame_set_copyright(lame, s.copyright);
  lame_set_original(lame, s.original);
  lame_set_emphasis(lame, int(s.emphasis));
  lame_set_disable_reservoir(lame, s.noReservoir);
  lame_set_strict_ISO(lame, s.strictIso);
  // A bare stream of audio frames: no Xing/Info frame, no ID3 tag.
  lame_set_bWriteVbrTag(lame, 0);
  lame_set_write_id3tag_automatic(lame, 0);
  // LAME quietly rounds a bitrate it does not offer at this rate.
  if (lame_init_params(lame) < 0 || lame_get_brate(lame) != int(s.bitrate) ||
      lame_get_out_samplerate(lame) != int(s.outputRate)) {
    lame_close(lame);
    return nullptr;
  }
  return lame;
}

soxr_t createResampler(const Settings& s) {
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(kResamplerRecipe, 0);
  quality.passband_end = kResamplerPassbandEnd;
  soxr_error_t error = nullptr;
  soxr_t resampler = soxr_create(s.inputRate, s.outputRate, 1, &error, &io, &quality, nullptr);
  if (error != nullptr) {
    if (resampler != nullptr) soxr_delete(resampler);
    return nullptr;
  }
  return resampler;
}

uint32_t initStream(const uint8_t* config, uint32_t* samples, uint32_t* bufferSize, SnxBeStream* handle) {
  Settings settings;
  if (!readSettings(config, settings)) return SNX_BE_ERR_INVALID_FORMAT;
  auto* stream = new (std::nothrow) Stream;
  if (stream == nullptr) return SNX_BE_ERR_NO_MORE_HANDLES;
  stream->lame = createLame(settings);
  if (stream->lame == nullptr) {
    delete stream;
    return SNX_BE_ERR_INVALID_FORMAT;
  }
  double ratio = double(settings.outputRate) / settings.inputRate;
  uint32_t lameSamples = kChunkSamples;
  if (settings.inputRate != settings.outputRate) {
    stream->resampler = createResampler(settings);
    if (stream->resampler == nullptr) {
      delete stream;
      return SNX_BE_ERR_INVALID_FORMAT;
    }
    lameSamples = uint32_t(std::ceil(kChunkSamples * ratio)) + kResamplerSlack;
    stream->resampled.resize(lameSamples);
  }
  stream->chunkSamples = kChunkSamples;
  stream->bufferSize = uint32_t(std::ceil(kLameBytesPerSample * lameSamples)) + kLameBufferReserve;
  try {
    std::lock_guard lock(g_streamsMutex);
    g_streams.insert(stream);
  } catch (...) {
    delete stream;
    return SNX_BE_ERR_NO_MORE_HANDLES;
  }
  *samples = stream->chunkSamples;
  *bufferSize = stream->bufferSize;
  *handle = reinterpret_cast<SnxBeStream>(stream);
  return SNX_BE_OK;
}

// Encodes what the resampler hands out for `in` (null: its tail) into
// output, after the `written` bytes already there.
uint32_t encodeResampled(Stream* stream, const int16_t* in, std::size_t count, uint8_t* output, uint32_t* written) {
  std::size_t consumed = 0;
  for (;;) {
    std::size_t used = 0, made = 0;
    const int16_t* from = in != nullptr ? in + consumed : nullptr;
    if (soxr_process(stream->resampler, from, count - consumed, &used, stream->resampled.data(),
                     stream->resampled.size(), &made) != nullptr)
      return SNX_BE_ERR_INVALID_PARAMETERS;
    consumed += used;
    if (made > 0) {
      int bytes = lame_encode_buffer_ieee_float(stream->lame, stream->resampled.data(), stream->resampled.data(),
                                                int(made), output + *written, int(stream->bufferSize - *written));
      if (bytes < 0) return SNX_BE_ERR_BUFFER_TOO_SMALL;
      *written += uint32_t(bytes);
    }
    // Done when all input is taken and the output had room to spare: the
    // resampler then holds nothing more it could give for this input.
    if (consumed >= count && made < stream->resampled.size()) return SNX_BE_OK;
  }
}

uint32_t encodeChunk(Stream* stream, uint32_t count, const int16_t* pcm, uint8_t* output, uint32_t* written) {
  if (stream->resampler != nullptr) return encodeResampled(stream, pcm, count, output, written);
  int bytes = lame_encode_buffer(stream->lame, pcm, pcm, int(count), output, int(stream->bufferSize));
  if (bytes < 0) return SNX_BE_ERR_BUFFER_TOO_SMALL;
  *written = uint32_t(bytes);
  return SNX_BE_OK;
}

uint32_t flushStream(Stream* stream, uint8_t* output, uint32_t* written) {
  if (stream->resampler != nullptr) {
    uint32_t result = encodeResampled(stream, nullptr, 0, output, written);
    if (result != SNX_BE_OK) return result;
  }
  int bytes = lame_encode_flush(stream->lame, output + *written, int(stream->bufferSize - *written));
  if (bytes < 0) return SNX_BE_ERR_BUFFER_TOO_SMALL;
  *written += uint32_t(bytes);
  stream->flushed = true;
  return SNX_BE_OK;
}

}  // namespace

extern "C" {

SNX_LAME_EXPORT uint32_t beInitStream(const void* config, uint32_t* samples, uint32_t* bufferSize,
                                      SnxBeStream* stream) {
  if (stream != nullptr) *stream = nullptr;
  if (config == nullptr || samples == nullptr || bufferSize == nullptr || stream == nullptr)
    return SNX_BE_ERR_INVALID_PARAMETERS;
  try {
    return initStream(static_cast<const uint8_t*>(config), samples, bufferSize, stream);
  } catch (...) {
    return SNX_BE_ERR_INVALID_FORMAT;
  }
}

SNX_LAME_EXPORT uint32_t beEncodeChunk(SnxBeStream handle, uint32_t sampleCount, const int16_t* pcm, uint8_t* output,
                                       uint32_t* written) {
  if (written == nullptr) return SNX_BE_ERR_INVALID_PARAMETERS;
  *written = 0;
  try {
    auto* stream = reinterpret_cast<Stream*>(handle);
    if (!isOpen(stream) || stream->flushed) return SNX_BE_ERR_INVALID_HANDLE;
    if (sampleCount > stream->chunkSamples || output == nullptr || (pcm == nullptr && sampleCount > 0))
      return SNX_BE_ERR_INVALID_PARAMETERS;
    return encodeChunk(stream, sampleCount, pcm, output, written);
  } catch (...) {
    return SNX_BE_ERR_INVALID_PARAMETERS;
  }
}

SNX_LAME_EXPORT uint32_t beDeinitStream(SnxBeStream handle, uint8_t* output, uint32_t* written) {
  if (written == nullptr) return SNX_BE_ERR_INVALID_PARAMETERS;
  *written = 0;
  try {
    auto* stream = reinterpret_cast<Stream*>(handle);
    if (!isOpen(stream) || stream->flushed) return SNX_BE_ERR_INVALID_HANDLE;
    if (output == nullptr) return SNX_BE_ERR_INVALID_PARAMETERS;
    return flushStream(stream, output, written);
  } catch (...) {
    return SNX_BE_ERR_INVALID_PARAMETERS;
  }
}

SNX_LAME_EXPORT uint32_t beCloseStream(SnxBeStream handle) {
  try {
    auto* stream = reinterpret_cast<Stream*>(handle);
    {
      std::lock_guard lock(g_streamsMutex);
      if (g_streams.erase(stream) == 0) return SNX_BE_ERR_INVALID_HANDLE;
    }
    delete stream;
    return SNX_BE_OK;
  } catch (...) {
    return SNX_BE_ERR_INVALID_HANDLE;
  }
}

SNX_LAME_EXPORT void beVersion(uint8_t* version) {
  if (version == nullptr) return;
  lame_version_t lameVersion;
  get_lame_version_numerical(&lameVersion);
  version[0] = kPluginMajor;
  version[1] = kPluginMinor;
  version[2] = uint8_t(lameVersion.major);
  version[3] = uint8_t(lameVersion.minor);
}

SNX_LAME_EXPORT uint32_t beWriteVBRHeader(const char* mp3Path) {
  // Streams are constant bitrate and carry no tag frame: nothing to write.
  return mp3Path != nullptr ? SNX_BE_OK : SNX_BE_ERR_INVALID_PARAMETERS;
}

}  // extern "C"
