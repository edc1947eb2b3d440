#include "tests/support/wav_fixture.h"

#include <cmath>

#include "core/byte_order.h"

namespace sonaflux::test {

std::vector<std::uint8_t> fmtChunkBody(std::uint16_t formatTag, std::uint16_t channels, std::uint32_t sampleRate,
                                       std::uint16_t bitsPerSample) {
  std::vector<std::uint8_t> body;
  std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
  appendU16(body, formatTag);
  appendU16(body, channels);
  appendU32(body, sampleRate);
  appendU32(body, sampleRate * blockAlign);
  appendU16(body, blockAlign);
  appendU16(body, bitsPerSample);
  return body;
}

std::vector<std::uint8_t> makeRiff(const std::vector<RawChunk>& chunks, const std::string& riffId,
                                   const std::string& waveId) {
  std::vector<std::uint8_t> out(riffId.begin(), riffId.end());
  appendU32(out, 0);
  out.insert(out.end(), waveId.begin(), waveId.end());
  for (const RawChunk& chunk : chunks) {
    out.insert(out.end(), chunk.id.begin(), chunk.id.end());
    appendU32(out, chunk.declaredSize == 0xFFFFFFFF ? std::uint32_t(chunk.body.size()) : chunk.declaredSize);
    out.insert(out.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.padOdd && chunk.body.size() % 2 == 1) out.push_back(0);
  }
  storeU32(out.data() + 4, static_cast<std::uint32_t>(out.size() - 8));
  return out;
}

std::vector<std::uint8_t> samplesToBytes(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes;
  for (std::int16_t s : samples) appendU16(bytes, static_cast<std::uint16_t>(s));
  return bytes;
}

std::vector<std::uint8_t> makePcmWav(std::uint32_t sampleRate, std::uint16_t channels, std::uint16_t bitsPerSample,
                                     const std::vector<std::int16_t>& interleaved) {
  std::vector<std::uint8_t> data;
  for (std::int16_t s : interleaved) {
    if (bitsPerSample == 8) data.push_back(static_cast<std::uint8_t>((s >> 8) + 128));
    if (bitsPerSample != 8) appendU16(data, static_cast<std::uint16_t>(s));
  }
  return makeRiff({{"fmt ", fmtChunkBody(1, channels, sampleRate, bitsPerSample)}, {"data", data}});
}

std::vector<std::int16_t> sineTone(double frequency, double seconds, std::uint32_t sampleRate, std::uint16_t channels,
                                   double amplitude) {
  const double pi = std::acos(-1.0);
  std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
  std::vector<std::int16_t> out;
  for (std::size_t i = 0; i < frames; ++i) {
    double v = amplitude * 32767.0 * std::sin(2 * pi * frequency * static_cast<double>(i) / sampleRate);
    for (std::uint16_t c = 0; c < channels; ++c) out.push_back(static_cast<std::int16_t>(std::lround(v)));
  }
  return out;
}

std::vector<std::int16_t> chordSequence(double seconds, std::uint32_t sampleRate, std::uint16_t channels) {
  const double pi = std::acos(-1.0);
  // Root notes of a simple progression, each held for a quarter second.
  const double roots[] = {220.0, 174.61, 261.63, 196.0};
  std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
  std::vector<std::int16_t> out;
  for (std::size_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / sampleRate;
    double root = roots[static_cast<std::size_t>(t * 4) % 4];
    double v =
        (std::sin(2 * pi * root * t) + std::sin(2 * pi * root * 1.25 * t) + std::sin(2 * pi * root * 1.5 * t)) / 3.0;
    for (std::uint16_t c = 0; c < channels; ++c) {
      double w = c == 0 ? v : 0.8 * v + 0.2 * std::sin(2 * pi * root * 2 * t);
      out.push_back(static_cast<std::int16_t>(std::lround(0.4 * 32767.0 * w)));
    }
  }
  return out;
}

}  // namespace sonaflux::test
