#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "swf/records.h"

namespace sonaflux::swf {

using Bytes = std::vector<std::uint8_t>;

enum class TagCode : std::uint16_t {
  End = 0,
  ShowFrame = 1,
  DefineShape = 2,
  SetBackgroundColor = 9,
  DoAction = 12,
  SoundStreamHead = 18,
  SoundStreamBlock = 19,
  PlaceObject2 = 26,
  DefineButton2 = 34,
  DefineSprite = 39,
};

/// Tag bodies shorter than this fit the short record header; the value
/// itself in the length bits announces a 32-bit length.
constexpr std::size_t kShortTagLimit = 0x3F;

/// Appends a record header for the finished body, then the body. Bodies of
/// 63 bytes or more, and any body when forceLong is set, take the long header.
void appendTag(Bytes& out, TagCode code, std::span<const std::uint8_t> body, bool forceLong = false);

/// One whole tag.
Bytes tag(TagCode code, std::span<const std::uint8_t> body, bool forceLong = false);

Bytes showFrameTag();
Bytes endTag();
Bytes setBackgroundColorTag(Rgb colour);

struct MovieHeader {
  std::uint8_t version = 6;
  Rect frameSize;
  std::uint16_t frameRate = 0x0100;  // 8.8 fixed point frames per second
  std::uint16_t frameCount = 1;
};

/// Byte offset of the 32-bit FileLength in every SWF file header.
constexpr std::size_t kFileLengthOffset = 4;

/// The header of an uncompressed SWF file with FileLength 0.
Bytes movieHeader(const MovieHeader& header);

/// An uncompressed SWF file: the header with the file length worked out,
/// then the tags (which should end with an End tag).
Bytes assembleMovie(const MovieHeader& header, std::span<const std::uint8_t> tags);

}  // namespace sonaflux::swf
