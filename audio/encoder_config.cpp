#include "audio/encoder_config.h"

#include <algorithm>
#include <cstdint>

#include "core/byte_order.h"

namespace sonaflux {

EncoderConfig makeEncoderConfig(std::int32_t sampleRate, bool inputStereo) {
  EncoderConfig config{};
  auto set = [&config](std::size_t offset, std::uint32_t value) { storeU32(config.data() + offset, value); };
  set(SNX_BE_OFFSET_KIND, SNX_BE_CONFIG_KIND_LAME);
  set(SNX_BE_OFFSET_VERSION, SNX_BE_CONFIG_VERSION);
  set(SNX_BE_OFFSET_SIZE, SNX_BE_CONFIG_SIZE);
  // A file may declare any 32-bit rate. Doubled in 64 bits and held at the
  // top of the field, an absurd rate stays absurd and the encoder refuses it.
  const std::uint64_t rate = static_cast<std::uint32_t>(sampleRate) * std::uint64_t{inputStereo ? 2u : 1u};
  set(SNX_BE_OFFSET_INPUT_RATE, static_cast<std::uint32_t>(std::min<std::uint64_t>(rate, UINT32_MAX)));
  set(SNX_BE_OFFSET_OUTPUT_RATE, kStreamSampleRate);
  set(SNX_BE_OFFSET_MODE, SNX_BE_MODE_MONO);
  set(SNX_BE_OFFSET_BITRATE, kStreamBitrate);
  set(SNX_BE_OFFSET_PRESET, SNX_BE_PRESET_VERY_HIGH_QUALITY);
  set(SNX_BE_OFFSET_ORIGINAL, 1);
  return config;
}

std::int32_t normaliseSample(std::int32_t sample, std::int32_t peakLevel, bool inputStereo) {
  std::int32_t target = inputStereo ? kStereoTargetPeak : kMonoTargetPeak;
  std::int32_t v = sample * target / peakLevel;
  return std::clamp(v, -32768, 32767);
}

NormalisationTable::NormalisationTable(std::int32_t peakLevel, bool inputStereo) : m_values(65536) {
  for (std::int32_t sample = -32768; sample <= 32767; ++sample)
    m_values[static_cast<std::uint16_t>(sample)] =
        static_cast<std::int16_t>(normaliseSample(sample, peakLevel, inputStereo));
}

}  // namespace sonaflux
