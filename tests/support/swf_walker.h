#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/byte_order.h"

namespace sonaflux::test {

struct SwfTag {
  std::uint16_t code = 0;
  std::uint32_t length = 0;
  bool longHeader = false;
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
/// program's writer. Nothing, with a reason in error, when the signature is
/// wrong, a record runs past the end, or no End tag closes the file exactly.
inline std::optional<SwfFile> walkSwf(std::span<const std::uint8_t> bytes, std::string* error = nullptr) {
  auto fail = [error](const std::string& reason) -> std::optional<SwfFile> {
    if (error) *error = reason;
    return std::nullopt;
  };
  SwfFile swf;
  if (bytes.size() < 9 || bytes[0] != 'F' || bytes[1] != 'W' || bytes[2] != 'S') return fail("no FWS header");
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
    if (!raw) return fail("frame rectangle runs past the end");
    const std::uint32_t sign = rectBits ? 1U << (rectBits - 1) : 0;
    *value = static_cast<std::int32_t>((*raw ^ sign) - sign);
  }
  std::size_t pos = (bit + 7) / 8;
  auto rate = readU16(bytes, pos), count = readU16(bytes, pos + 2);
  if (!rate || !count) return fail("header runs past the end");
  swf.frameRate = *rate;
  swf.frameCount = *count;
  pos += 4;

  for (bool end = false; !end;) {
    const std::string at = std::to_string(pos);
    auto head = readU16(bytes, pos);
    if (!head) return fail("no End tag at offset " + at);
    SwfTag tag;
    tag.code = static_cast<std::uint16_t>(*head >> 6);
    tag.length = *head & 0x3FU;
    pos += 2;
    if (tag.length == 0x3F) {
      auto length = readU32(bytes, pos);
      if (!length) return fail("long header runs past the end at " + at);
      tag.length = *length;
      tag.longHeader = true;
      pos += 4;
    }
    if (pos + tag.length > bytes.size())
      return fail("tag " + std::to_string(tag.code) + " at " + at + " runs past the end");
    tag.body.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                    bytes.begin() + static_cast<std::ptrdiff_t>(pos + tag.length));
    pos += tag.length;
    end = tag.code == 0;
    swf.tags.push_back(std::move(tag));
  }
  if (pos != bytes.size()) return fail(std::to_string(bytes.size() - pos) + " bytes after the End tag");
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
