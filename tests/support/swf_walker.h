#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/byte_order.h"

namespace sonaflux::test {

struct SwfTag {
  std::uint16_t code = 0;
  std::vector<std::uint8_t> body;
};

struct SwfFile {
  std::uint32_t fileLength = 0;
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;  // twips
  std::uint16_t frameRate = 0;                          // 8.8 fixed point
  std::uint16_t frameCount = 0;
  std::vector<SwfTag> tags;

  std::vector<const SwfTag*> tagsWithCode(std::uint16_t code) const {
    std::vector<const SwfTag*> found;
    for (const SwfTag& tag : tags)
      if (tag.code == code) found.push_back(&tag);
    return found;
  }
  int showFrames() const { return static_cast<int>(tagsWithCode(1).size()); }
};

/// Splits an uncompressed SWF ("FWS") into its records, knowing nothing of the
/// program's writer. Nothing when the signature is wrong, a record runs past
/// the end, or no End tag closes the file exactly.
inline std::optional<SwfFile> walkSwf(std::span<const std::uint8_t> bytes) {
  SwfFile swf;
  if (bytes.size() < 9 || bytes[0] != 'F' || bytes[1] != 'W' || bytes[2] != 'S') return std::nullopt;
  swf.fileLength = *readU32(bytes, 4);
  // The frame RECT: a 5-bit field size, then four signed fields, most significant bit first.
  std::size_t bit = 8 * 8;
  auto field = [&](int bits) -> std::optional<std::uint32_t> {
    std::uint32_t value = 0;
    for (int i = 0; i < bits; ++i, ++bit) {
      if (bit / 8 >= bytes.size()) return std::nullopt;
      value = (value << 1) | ((bytes[bit / 8] >> (7 - bit % 8)) & 1U);
    }
    return value;
  };
  const int rectBits = static_cast<int>(field(5).value_or(0));
  for (std::int32_t* value : {&swf.xMin, &swf.xMax, &swf.yMin, &swf.yMax}) {
    auto raw = field(rectBits);
    if (!raw) return std::nullopt;
    const std::uint32_t sign = rectBits ? 1U << (rectBits - 1) : 0;
    *value = static_cast<std::int32_t>((*raw ^ sign) - sign);
  }
  std::size_t pos = (bit + 7) / 8;
  auto rate = readU16(bytes, pos), count = readU16(bytes, pos + 2);
  if (!rate || !count) return std::nullopt;
  swf.frameRate = *rate;
  swf.frameCount = *count;
  pos += 4;

  while (swf.tags.empty() || swf.tags.back().code != 0) {
    auto head = readU16(bytes, pos);
    if (!head) return std::nullopt;
    std::optional<std::uint32_t> length = *head & 0x3FU;
    pos += 2;
    if (*length == 0x3F) length = readU32(bytes, pos), pos += 4;
    if (!length || pos + *length > bytes.size()) return std::nullopt;
    swf.tags.push_back({static_cast<std::uint16_t>(*head >> 6),
                        {bytes.begin() + std::ptrdiff_t(pos), bytes.begin() + std::ptrdiff_t(pos + *length)}});
    pos += *length;
  }
  if (pos != bytes.size()) return std::nullopt;
  return swf;
}

/// The MP3 data of the sound stream: the SoundStreamBlock (19) bodies without
/// their SampleCount and SeekSamples, back to back.
inline std::vector<std::uint8_t> soundStreamData(const SwfFile& swf) {
  std::vector<std::uint8_t> data;
  for (const SwfTag* tag : swf.tagsWithCode(19))
    if (tag->body.size() >= 4) data.insert(data.end(), tag->body.begin() + 4, tag->body.end());
  return data;
}

}  // namespace sonaflux::test
