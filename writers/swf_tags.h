#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonaflux {

// Tag codes of the SWF records this program writes.
inline constexpr std::uint16_t kSwfTagEnd = 0;
inline constexpr std::uint16_t kSwfTagShowFrame = 1;
inline constexpr std::uint16_t kSwfTagSetBackgroundColor = 9;
inline constexpr std::uint16_t kSwfTagSoundStreamHead = 18;
inline constexpr std::uint16_t kSwfTagSoundStreamBlock = 19;

// A short record header keeps the length in its low 6 bits; 0x3F there means
// a 32-bit length follows.
inline constexpr std::uint32_t kSwfShortLengthLimit = 0x3F;

// Offsets in the file header of an uncompressed SWF whose frame rectangle
// takes exactly 6 bytes (the streaming animation's template).
inline constexpr std::size_t kSwfFileLengthOffset = 4;
inline constexpr std::size_t kSwfFrameCountOffset = 16;

inline constexpr std::size_t kStreamTemplateSize = 33;

// A sound block: long record header, then SampleCount and SeekSamples.
inline constexpr std::size_t kSoundBlockHeadSize = 10;
inline constexpr std::size_t kSoundBlockLengthOffset = 2;
// SampleCount and SeekSamples count towards the block's length.
inline constexpr std::uint32_t kSoundBlockFieldsSize = 4;

/// Appends a record header: the short form when the length fits and
/// forceLong is false, the long form otherwise.
void appendTagHeader(std::vector<std::uint8_t>& out, std::uint16_t code, std::uint32_t length,
                     bool forceLong = false);

/// Appends a RECT with the smallest field width that holds all four twip values.
void appendRect(std::vector<std::uint8_t>& out, std::int32_t xMin, std::int32_t xMax,
                std::int32_t yMin, std::int32_t yMax);

std::vector<std::uint8_t> showFrameTag();
std::vector<std::uint8_t> endTag();
std::vector<std::uint8_t> setBackgroundColorTag(std::uint8_t red, std::uint8_t green,
                                                std::uint8_t blue);

/// A head announcing an MP3 stream, 22 050 Hz, 16-bit, mono, with the given
/// average sample count per frame.
std::vector<std::uint8_t> soundStreamHeadMp3Tag(std::uint16_t samplesPerFrame);

/// The first 10 bytes of a sound block: long header with length 0 (patched
/// once the frames are written), SampleCount, SeekSamples.
std::vector<std::uint8_t> soundStreamBlockHead(std::uint16_t sampleCount,
                                               std::uint16_t seekSamples);

/// The 33-byte header template of every streaming animation: SWF header with
/// FileLength and FrameCount 0, a white background, the MP3 stream head and
/// one ShowFrame.
std::vector<std::uint8_t> streamHeaderTemplate();

}  // namespace sonaflux
