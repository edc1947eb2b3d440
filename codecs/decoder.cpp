// decoder.so: the DecodeMP3 contract over libmpg123's feed interface.
#include <mpg123.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "codecs/decoder_api.h"

namespace {

constexpr int32_t kResultReady = SNX_DECODER_READY;
constexpr int32_t kResultNeedInput = SNX_DECODER_NEED_INPUT;
constexpr int32_t kResultFailed = SNX_DECODER_FAILED;

struct Decoder {
  mpg123_handle* handle = nullptr;
  bool fed = false;
};

// A free-format frame's length is the distance to the next header, which
// libmpg123 finds only when it may read ahead.
bool startsFreeFormat(const uint8_t* in, int32_t inSize) {
  return inSize >= 3 && in[0] == 0xFF && (in[1] & 0xE0) == 0xE0 && (in[2] >> 4) == 0;
}

// The caller's block is not cleared and may be unaligned, so it only ever
// holds a pointer to our own state, copied in and out byte-wise.
Decoder* decoderIn(void* state) {
  Decoder* decoder = nullptr;
  if (state != nullptr) std::memcpy(&decoder, state, sizeof decoder);
  return decoder;
}

void storeDecoder(void* state, Decoder* decoder) { std::memcpy(state, &decoder, sizeof decoder); }

bool configure(mpg123_handle* handle) {
  // Every frame is kept: gapless trimming would follow the Info frame's
  // counts, and a stale or wrong count silently cuts off real audio. An
  // Info frame is decoded like any other frame (it holds silence), so a file
  // that is nothing but one still gives sound rather than nothing.
  // Without read-ahead the first frame is decoded without waiting for the
  // next header, so a stream of one frame still yields its samples.
  const long flags = MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_FORCE_ENDIAN | MPG123_IGNORE_INFOFRAME;
  if (mpg123_param(handle, MPG123_FLAGS, flags, 0) != MPG123_OK) return false;
  if (mpg123_param(handle, MPG123_RESYNC_LIMIT, -1, 0) != MPG123_OK) return false;
  // 16-bit signed at whatever rate and channel count the stream has.
  if (mpg123_format_none(handle) != MPG123_OK) return false;
  const long* rates = nullptr;
  std::size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (std::size_t i = 0; i < rateCount; ++i) {
    if (mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
  }
  return true;
}

Decoder* createDecoder() {
  auto* decoder = new (std::nothrow) Decoder;
  if (decoder == nullptr) return nullptr;
  int error = MPG123_OK;
  decoder->handle = mpg123_new(nullptr, &error);
  if (decoder->handle == nullptr || !configure(decoder->handle) || mpg123_open_feed(decoder->handle) != MPG123_OK) {
    if (decoder->handle != nullptr) mpg123_delete(decoder->handle);
    delete decoder;
    return nullptr;
  }
  return decoder;
}

int32_t decode(Decoder* decoder, const uint8_t* in, int32_t inSize, uint8_t* out, int32_t outSize, int32_t* produced) {
  if (inSize > 0) {
    if (in == nullptr) return kResultFailed;
    if (!decoder->fed && startsFreeFormat(in, inSize) &&
        mpg123_param(decoder->handle, MPG123_REMOVE_FLAGS, MPG123_NO_READAHEAD, 0) != MPG123_OK)
      return kResultFailed;
    decoder->fed = true;
    if (mpg123_feed(decoder->handle, in, static_cast<std::size_t>(inSize)) != MPG123_OK) return kResultFailed;
  }
  if (out == nullptr || outSize <= 0) return kResultFailed;
  // A new format carries no samples, and after a damaged frame mpg123 can
  // often go on with what it holds: such answers are retried, a bounded
  // number of times so that the caller's loop always ends.
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::size_t done = 0;
    int status = mpg123_read(decoder->handle, out, static_cast<std::size_t>(outSize), &done);
    *produced = static_cast<int32_t>(done);
    // NEED_MORE may come with the last samples of what was fed: hand them
    // over now and answer NEED_MORE on the next call.
    if (done > 0) return kResultReady;
    if (status == MPG123_NEED_MORE || status == MPG123_DONE) return kResultNeedInput;
  }
  return kResultNeedInput;
}

}  // namespace

extern "C" {

SNX_DECODER_EXPORT int32_t InitMP3(void* state) {
  if (state == nullptr) return kResultFailed;
  try {
    Decoder* decoder = createDecoder();
    storeDecoder(state, decoder);
    return decoder != nullptr ? 0 : kResultFailed;
  } catch (...) {
    storeDecoder(state, nullptr);
    return kResultFailed;
  }
}

SNX_DECODER_EXPORT int32_t DecodeMP3(void* state, const uint8_t* in, int32_t inSize, uint8_t* out, int32_t outSize,
                                     int32_t* produced) {
  if (produced == nullptr) return kResultFailed;
  *produced = 0;
  Decoder* decoder = decoderIn(state);
  if (decoder == nullptr) return kResultFailed;
  try {
    return decode(decoder, in, inSize, out, outSize, produced);
  } catch (...) {
    *produced = 0;
    return kResultFailed;
  }
}

SNX_DECODER_EXPORT int32_t ExitMP3(void* state) {
  Decoder* decoder = decoderIn(state);
  if (decoder == nullptr) return 0;
  mpg123_delete(decoder->handle);
  delete decoder;
  storeDecoder(state, nullptr);
  return 0;
}

}  // extern "C"
