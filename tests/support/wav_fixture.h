#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonaflux::test {

/// A RIFF chunk written as given; a pad byte follows an odd body when padOdd is set.
struct RawChunk {
  std::string id;
  std::vector<std::uint8_t> body;
  std::uint32_t declaredSize = 0xFFFFFFFF;  // 0xFFFFFFFF: the body's size
  bool padOdd = true;
};

std::vector<std::uint8_t> fmtChunkBody(std::uint16_t formatTag, std::uint16_t channels, std::uint32_t sampleRate,
                                       std::uint16_t bitsPerSample);

std::vector<std::uint8_t> makeRiff(const std::vector<RawChunk>& chunks, const std::string& riffId = "RIFF",
                                   const std::string& waveId = "WAVE");

/// fmt, then data with the samples (for 8 bits each sample's high byte + 128).
std::vector<std::uint8_t> makePcmWav(std::uint32_t sampleRate, std::uint16_t channels, std::uint16_t bitsPerSample,
                                     const std::vector<std::int16_t>& interleaved);

/// The same tone in every channel, at amplitude times full scale.
std::vector<std::int16_t> sineTone(double frequency, double seconds, std::uint32_t sampleRate, std::uint16_t channels,
                                   double amplitude = 0.5);

/// Music-like sound: a chord that changes every quarter second, a little different in each channel.
std::vector<std::int16_t> chordSequence(double seconds, std::uint32_t sampleRate, std::uint16_t channels);

std::vector<std::uint8_t> samplesToBytes(const std::vector<std::int16_t>& samples);

}  // namespace sonaflux::test
