#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonaflux::test {

/// A RIFF chunk written as given: id, declared size, body (and a pad byte
/// after an odd body when padOdd is set).
struct RawChunk {
  std::string id;
  std::vector<std::uint8_t> body;
  std::uint32_t declaredSize = 0xFFFFFFFF;  // 0xFFFFFFFF: the body's size
  bool padOdd = true;
};

std::vector<std::uint8_t> fmtChunkBody(std::uint16_t formatTag, std::uint16_t channels,
                                       std::uint32_t sampleRate, std::uint16_t bitsPerSample);

/// A WAVE file from chunks, with a "RIFF"/"WAVE" header (ids as given).
std::vector<std::uint8_t> makeRiff(const std::vector<RawChunk>& chunks,
                                   const std::string& riffId = "RIFF",
                                   const std::string& waveId = "WAVE");

/// A plain PCM WAVE file: fmt chunk, then data with the samples (16-bit
/// samples stored as such; for 8 bits each sample's high byte + 128).
std::vector<std::uint8_t> makePcmWav(std::uint32_t sampleRate, std::uint16_t channels,
                                     std::uint16_t bitsPerSample,
                                     const std::vector<std::int16_t>& interleaved);

/// Samples of a sine tone (amplitude of full scale), the same in every channel.
std::vector<std::int16_t> sineTone(double frequency, double seconds, std::uint32_t sampleRate,
                                   std::uint16_t channels, double amplitude = 0.5);

/// A chord sequence that changes every quarter second: music-like test sound.
std::vector<std::int16_t> chordSequence(double seconds, std::uint32_t sampleRate,
                                        std::uint16_t channels, double amplitude = 0.4);

std::vector<std::uint8_t> samplesToBytes(const std::vector<std::int16_t>& samples);

}  // namespace sonaflux::test
