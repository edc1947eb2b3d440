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

#include "audio/encoder_config.h"
#include "codecs/decoder_api.h"
#include "core/byte_order.h"
#include "codecs/lame_enc_api.h"
#include "platform/dynamic_library.h"
#include "tests/support/mpeg_frames.h"
#include "tests/support/test_paths.h"

namespace sonaflux::test {

class EncoderPlugin {
 public:
  EncoderPlugin() {
    std::string path = programFolder() + "lame_enc" + sharedLibrarySuffix();
    if (!m_library.load(path)) return;
    initStream = reinterpret_cast<BeInitStreamFunction>(m_library.symbol("beInitStream"));
    encodeChunk = reinterpret_cast<BeEncodeChunkFunction>(m_library.symbol("beEncodeChunk"));
    deinitStream = reinterpret_cast<BeDeinitStreamFunction>(m_library.symbol("beDeinitStream"));
    closeStream = reinterpret_cast<BeCloseStreamFunction>(m_library.symbol("beCloseStream"));
    version = reinterpret_cast<BeVersionFunction>(m_library.symbol("beVersion"));
    writeVbrHeader =
        reinterpret_cast<BeWriteVBRHeaderFunction>(m_library.symbol("beWriteVBRHeader"));
  }
  bool loaded() const {
    return initStream && encodeChunk && deinitStream && closeStream && version && writeVbrHeader;
  }

  BeInitStreamFunction initStream = nullptr;
  BeEncodeChunkFunction encodeChunk = nullptr;
  BeDeinitStreamFunction deinitStream = nullptr;
  BeCloseStreamFunction closeStream = nullptr;
  BeVersionFunction version = nullptr;
  BeWriteVBRHeaderFunction writeVbrHeader = nullptr;

 private:
  DynamicLibrary m_library;
};

class DecoderPlugin {
 public:
  DecoderPlugin() {
    std::string path = programFolder() + "decoder" + sharedLibrarySuffix();
    if (!m_library.load(path)) return;
    init = reinterpret_cast<InitMP3Function>(m_library.symbol("InitMP3"));
    decode = reinterpret_cast<DecodeMP3Function>(m_library.symbol("DecodeMP3"));
    exit = reinterpret_cast<ExitMP3Function>(m_library.symbol("ExitMP3"));
  }
  bool loaded() const { return init && decode && exit; }

  InitMP3Function init = nullptr;
  DecodeMP3Function decode = nullptr;
  ExitMP3Function exit = nullptr;

 private:
  DynamicLibrary m_library;
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
    const EncoderPlugin& plugin, std::span<const std::int16_t> samples, std::uint32_t inputRate,
    std::uint32_t pieceSamples = 0) {
  EncoderConfig config = streamConfig(inputRate);
  std::uint32_t chunk = 0, bufferSize = 0;
  SnxBeStream stream = nullptr;
  std::uint32_t result = plugin.initStream(config.data(), &chunk, &bufferSize, &stream);
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
    result = plugin.encodeChunk(stream, count, samples.data() + done, buffer.data(), &written);
    if (result != SNX_BE_OK || written > bufferSize) {
      ADD_FAILURE() << "beEncodeChunk returned " << result << " after " << done << " samples";
      plugin.closeStream(stream);
      return std::nullopt;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    done += count;
  }
  std::uint32_t written = 0;
  result = plugin.deinitStream(stream, buffer.data(), &written);
  plugin.closeStream(stream);
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
inline std::vector<std::uint8_t> decodeWithPlugin(const DecoderPlugin& plugin,
                                                  std::span<const std::uint8_t> mp3,
                                                  std::vector<std::size_t> pieces = {16384}) {
  std::vector<std::uint8_t> state(SNX_DECODER_STATE_SIZE, 0xA5);
  std::vector<std::uint8_t> out(SNX_DECODER_OUTPUT_SIZE), pcm;
  plugin.init(state.data());
  std::size_t offset = 0, turn = 0;
  while (offset < mp3.size()) {
    std::size_t count = std::min(pieces[std::min(turn++, pieces.size() - 1)], mp3.size() - offset);
    std::int32_t produced = 0;
    std::int32_t result = plugin.decode(state.data(), mp3.data() + offset, std::int32_t(count),
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
      result = plugin.decode(state.data(), mp3.data(), 0, out.data(), std::int32_t(out.size()),
                             &produced);
    }
  }
  plugin.exit(state.data());
  return pcm;
}

inline std::vector<std::int16_t> pcmSamples(std::span<const std::uint8_t> bytes) {
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = std::int16_t(std::uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
  return samples;
}

}  // namespace sonaflux::test
