#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codecs/lame_enc_api.h"

namespace sonaflux {

inline constexpr std::int32_t kStreamSampleRate = 22050;
inline constexpr std::int32_t kStreamBitrate = 24;
inline constexpr std::int32_t kStereoTargetPeak = 31000;
inline constexpr std::int32_t kMonoTargetPeak = 28000;

using EncoderConfig = std::array<std::uint8_t, SNX_BE_CONFIG_SIZE>;

/// The encoder's configuration record for the 56K stream. Stereo PCM goes to
/// the encoder as one channel at twice the rate.
EncoderConfig makeEncoderConfig(std::int32_t sampleRate, bool inputStereo);

/// One 16-bit sample scaled so that peakLevel becomes the target peak, in
/// 32-bit integer arithmetic truncated toward zero, kept within 16 bits.
std::int32_t normaliseSample(std::int32_t sample, std::int32_t peakLevel, bool inputStereo);

/// normaliseSample for every 16-bit value at once: a job scales millions of
/// samples by the same factor, and a look-up costs far less than a division.
class NormalisationTable {
 public:
  NormalisationTable(std::int32_t peakLevel, bool inputStereo);
  std::int16_t operator()(std::int16_t sample) const { return m_values[static_cast<std::uint16_t>(sample)]; }

 private:
  std::vector<std::int16_t> m_values;  // indexed by the sample's 16 bits
};

}  // namespace sonaflux
