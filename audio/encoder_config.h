#pragma once

#include <array>
#include <cstdint>

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

}  // namespace sonaflux
