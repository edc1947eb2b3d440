#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/byte_order.h"

namespace sonaflux {

/// Raises peakLevel to the largest magnitude among the 16-bit little-endian
/// samples in pcm; an odd last byte is not a sample.
inline void raisePeak(std::int32_t& peakLevel, std::span<const std::uint8_t> pcm) {
  for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
    std::int32_t magnitude = std::abs(sampleAt(pcm.data() + i));
    if (magnitude > peakLevel) peakLevel = magnitude;
  }
}

}  // namespace sonaflux
