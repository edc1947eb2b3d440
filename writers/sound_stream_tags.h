#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "swf/movie_file.h"

namespace sonaflux {

// Offsets in the file header of the streaming animation, whose frame
// rectangle takes exactly 6 bytes.
inline constexpr std::size_t kSwfFileLengthOffset = swf::kFileLengthOffset;
inline constexpr std::size_t kSwfFrameCountOffset = 16;

inline constexpr std::size_t kStreamTemplateSize = 33;

/// A head announcing an MP3 stream, 22 050 Hz, 16-bit, mono, with the given
/// average sample count per frame.
std::vector<std::uint8_t> soundStreamHeadMp3Tag(std::uint16_t samplesPerFrame);

/// A sound block holding the given MP3 frames, always with the long header.
std::vector<std::uint8_t> soundStreamBlockTag(std::uint16_t sampleCount, std::uint16_t seekSamples,
                                              std::span<const std::uint8_t> frames);

/// The 33-byte header template of every streaming animation: SWF header with
/// FileLength and FrameCount 0, a white background, the MP3 stream head and
/// one ShowFrame.
std::vector<std::uint8_t> streamHeaderTemplate();

}  // namespace sonaflux
