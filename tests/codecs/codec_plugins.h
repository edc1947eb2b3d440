#pragma once

// The two codec plug-ins of the build's program folder, loaded as the
// program loads them, and small drivers that feed them whole signals.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/codec_libraries.h"
#include "audio/encoder_config.h"
#include "codecs/decoder_api.h"
#include "core/byte_order.h"
#include "codecs/lame_enc_api.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_paths.h"

namespace sonaflux::test {

/// Both plug-ins, loaded by the program's own loader; their entry points
/// are in job.
struct CodecPlugins {
  CodecPlugins() {
    ctx.paths.programFolder = programFolder();
    libraries.load(ctx);
  }
  ~CodecPlugins() { libraries.release(ctx); }
  bool loaded() const { return !ctx.job.jobFailed; }

  RecordingHost host;
  AppContext ctx{host};
  CodecLibraries libraries;
  const JobState& job = ctx.job;
};

inline void putField(EncoderConfig& config, int offset, std::uint32_t value) {
  storeU32(config.data() + offset, value);
}

/// The record as the compression stage fills it, for one channel at inputRate.
inline EncoderConfig streamConfig(std::uint32_t inputRate) {
  return makeEncoderConfig(static_cast<std::int32_t>(inputRate), false);
}

/// Encodes samples (one channel at inputRate) as the compression stage
/// does: chunks of at most pieceSamples (0: the plug-in's S), then the
/// flush. nullopt (with a test failure) when a call fails.
inline std::optional<std::vector<std::uint8_t>> encodeWithPlugin(
    const CodecPlugins& plugin, std::span<const std::int16_t> samples, std::uint32_t inputRate,
    std::uint32_t pieceSamples = 0) {
  EncoderConfig config = streamConfig(inputRate);
  std::uint32_t chunk = 0, bufferSize = 0;
  SnxBeStream stream = nullptr;
  std::uint32_t result = plugin.job.pBeInitStream(config.data(), &chunk, &bufferSize, &stream);
  if (result != SNX_BE_OK) {
    ADD_FAILURE() << "beInitStream returned " << result;
    return std::nullopt;
  }
  if (pieceSamples == 0 || pieceSamples > chunk) pieceSamples = chunk;
  std::vector<std::uint8_t> buffer(bufferSize), mp3;
  std::size_t done = 0;
  while (done < samples.size()) {
    auto count = std::uint32_t(std::min<std::size_t>(pieceSamples, samples.size() - done));
    std::uint32_t written = 0;
    result = plugin.job.pBeEncodeChunk(stream, count, samples.data() + done, buffer.data(), &written);
    if (result != SNX_BE_OK || written > bufferSize) {
      ADD_FAILURE() << "beEncodeChunk returned " << result << " after " << done << " samples";
      plugin.job.pBeCloseStream(stream);
      return std::nullopt;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    done += count;
  }
  std::uint32_t written = 0;
  result = plugin.job.pBeDeinitStream(stream, buffer.data(), &written);
  plugin.job.pBeCloseStream(stream);
  if (result != SNX_BE_OK || written > bufferSize) {
    ADD_FAILURE() << "beDeinitStream returned " << result;
    return std::nullopt;
  }
  mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
  return mp3;
}

/// Feeds an MP3 stream to the decoder in pieces of the given sizes (used in
/// turn, the last one repeated) and collects the PCM bytes it gives back.
/// The state block starts as garbage, as the caller's block may.
inline std::vector<std::uint8_t> decodeWithPlugin(const CodecPlugins& plugin,
                                                  std::span<const std::uint8_t> mp3,
                                                  std::vector<std::size_t> pieces = {16384}) {
  std::vector<std::uint8_t> state(SNX_DECODER_STATE_SIZE, 0xA5);
  std::vector<std::uint8_t> out(SNX_DECODER_OUTPUT_SIZE), pcm;
  plugin.job.pInitMP3(state.data());
  std::size_t offset = 0, turn = 0;
  while (offset < mp3.size()) {
    std::size_t count = std::min(pieces[std::min(turn++, pieces.size() - 1)], mp3.size() - offset);
    std::int32_t produced = 0;
    std::int32_t result = plugin.job.pDecodeMP3(state.data(), mp3.data() + offset, std::int32_t(count),
                                        out.data(), std::int32_t(out.size()), &produced);
    offset += count;
    // Each ready block carries at least one frame's worth or comes from a
    // format change; far more empty answers than that means a spinning loop.
    int emptyAnswers = 0;
    while (result == SNX_DECODER_READY) {
      if (produced < 0 || produced > std::int32_t(out.size())) {
        ADD_FAILURE() << "produced " << produced;
        break;
      }
      pcm.insert(pcm.end(), out.begin(), out.begin() + produced);
      if (produced == 0 && ++emptyAnswers > 100) {
        ADD_FAILURE() << "decoder keeps answering 0 without output";
        break;
      }
      result = plugin.job.pDecodeMP3(state.data(), mp3.data(), 0, out.data(), std::int32_t(out.size()),
                             &produced);
    }
  }
  plugin.job.pExitMP3(state.data());
  return pcm;
}

inline std::vector<std::int16_t> pcmSamples(std::span<const std::uint8_t> bytes) {
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = std::int16_t(std::uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
  return samples;
}

}  // namespace sonaflux::test
