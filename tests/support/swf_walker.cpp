#include "tests/support/swf_walker.h"

#include "core/byte_order.h"

namespace sonaflux::test {

namespace {

constexpr std::uint16_t kTagEnd = 0;
constexpr std::uint16_t kTagShowFrame = 1;
constexpr std::uint16_t kTagSoundStreamBlock = 19;

std::optional<SwfFile> fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return std::nullopt;
}

}  // namespace

int SwfFile::showFrames() const { return static_cast<int>(tagsWithCode(kTagShowFrame).size()); }

std::vector<const SwfTag*> SwfFile::tagsWithCode(std::uint16_t code) const {
  std::vector<const SwfTag*> found;
  for (const SwfTag& tag : tags)
    if (tag.code == code) found.push_back(&tag);
  return found;
}

std::optional<SwfFile> walkSwf(std::span<const std::uint8_t> bytes, std::string* error) {
  SwfFile swf;
  if (bytes.size() < 9 || bytes[0] != 'F' || bytes[1] != 'W' || bytes[2] != 'S') return fail(error, "no FWS header");
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
    if (!raw) return fail(error, "frame rectangle runs past the end");
    const std::uint32_t sign = rectBits ? 1U << (rectBits - 1) : 0;
    *value = static_cast<std::int32_t>((*raw ^ sign) - sign);
  }
  std::size_t pos = (bit + 7) / 8;
  auto rate = readU16(bytes, pos), count = readU16(bytes, pos + 2);
  if (!rate || !count) return fail(error, "header runs past the end");
  swf.frameRate = *rate;
  swf.frameCount = *count;
  pos += 4;

  for (bool end = false; !end;) {
    const std::size_t at = pos;
    auto head = readU16(bytes, pos);
    if (!head) return fail(error, "no End tag at offset " + std::to_string(pos));
    SwfTag tag;
    tag.code = static_cast<std::uint16_t>(*head >> 6);
    tag.length = *head & 0x3FU;
    pos += 2;
    if (tag.length == 0x3F) {
      auto length = readU32(bytes, pos);
      if (!length) return fail(error, "long header runs past the end at " + std::to_string(at));
      tag.length = *length;
      tag.longHeader = true;
      pos += 4;
    }
    if (pos + tag.length > bytes.size())
      return fail(error, "tag " + std::to_string(tag.code) + " at " + std::to_string(at) + " runs past the end");
    tag.body.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                    bytes.begin() + static_cast<std::ptrdiff_t>(pos + tag.length));
    pos += tag.length;
    end = tag.code == kTagEnd;
    swf.tags.push_back(std::move(tag));
  }
  if (pos != bytes.size()) return fail(error, std::to_string(bytes.size() - pos) + " bytes after the End tag");
  return swf;
}

std::vector<std::uint8_t> soundStreamData(const SwfFile& swf) {
  std::vector<std::uint8_t> data;
  for (const SwfTag* tag : swf.tagsWithCode(kTagSoundStreamBlock))
    if (tag->body.size() >= 4) data.insert(data.end(), tag->body.begin() + 4, tag->body.end());
  return data;
}

}  // namespace sonaflux::test
