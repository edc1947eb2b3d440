#include "tests/support/swf_walker.h"

#include "core/byte_order.h"

namespace sonaflux::test {

namespace {

constexpr std::uint16_t kTagEnd = 0;
constexpr std::uint16_t kTagShowFrame = 1;
constexpr std::uint16_t kTagSoundStreamBlock = 19;
constexpr std::size_t kSoundBlockFields = 4;

class BitReader {
 public:
  BitReader(std::span<const std::uint8_t> bytes, std::size_t offset)
      : m_bytes(bytes), m_bit(offset * 8) {}
  std::optional<std::uint32_t> get(int bits) {
    std::uint32_t value = 0;
    for (int i = 0; i < bits; ++i, ++m_bit) {
      if (m_bit / 8 >= m_bytes.size()) return std::nullopt;
      value = (value << 1) | ((m_bytes[m_bit / 8] >> (7 - m_bit % 8)) & 1U);
    }
    return value;
  }
  std::size_t nextByte() const { return (m_bit + 7) / 8; }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_bit;
};

std::int32_t signExtend(std::uint32_t value, int bits) {
  if (bits == 0) return 0;
  std::uint32_t sign = 1U << (bits - 1);
  return static_cast<std::int32_t>((value ^ sign) - sign);
}

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
  if (bytes.size() < 8) return fail(error, "shorter than the SWF header");
  swf.signature.assign(bytes.begin(), bytes.begin() + 3);
  if (swf.signature != "FWS") return fail(error, "signature is not FWS");
  swf.version = bytes[3];
  swf.fileLength = *readU32(bytes, 4);

  BitReader rect(bytes, 8);
  auto bits = rect.get(5);
  if (!bits) return fail(error, "frame rectangle runs past the end");
  swf.rectBits = static_cast<int>(*bits);
  std::int32_t* fields[] = {&swf.xMin, &swf.xMax, &swf.yMin, &swf.yMax};
  for (std::int32_t* field : fields) {
    auto value = rect.get(swf.rectBits);
    if (!value) return fail(error, "frame rectangle runs past the end");
    *field = signExtend(*value, swf.rectBits);
  }
  std::size_t pos = rect.nextByte();
  auto rate = readU16(bytes, pos);
  auto count = readU16(bytes, pos + 2);
  if (!rate || !count) return fail(error, "header runs past the end");
  swf.frameRate = *rate;
  swf.frameCount = *count;
  pos += 4;
  swf.headerSize = pos;

  for (;;) {
    SwfTag tag;
    tag.offset = pos;
    auto head = readU16(bytes, pos);
    if (!head) return fail(error, "no End tag at offset " + std::to_string(pos));
    tag.code = static_cast<std::uint16_t>(*head >> 6);
    tag.length = *head & 0x3F;
    pos += 2;
    if (tag.length == 0x3F) {
      auto length = readU32(bytes, pos);
      if (!length) return fail(error, "long header runs past the end at " + std::to_string(tag.offset));
      tag.length = *length;
      tag.longHeader = true;
      pos += 4;
    }
    if (pos + tag.length > bytes.size())
      return fail(error, "tag " + std::to_string(tag.code) + " at " + std::to_string(tag.offset) +
                             " runs past the end");
    tag.body.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                    bytes.begin() + static_cast<std::ptrdiff_t>(pos + tag.length));
    pos += tag.length;
    bool end = tag.code == kTagEnd;
    swf.tags.push_back(std::move(tag));
    if (end) break;
  }
  if (pos != bytes.size())
    return fail(error, std::to_string(bytes.size() - pos) + " bytes after the End tag");
  return swf;
}

std::vector<std::uint8_t> soundStreamData(const SwfFile& swf) {
  std::vector<std::uint8_t> data;
  for (const SwfTag* tag : swf.tagsWithCode(kTagSoundStreamBlock))
    if (tag->body.size() >= kSoundBlockFields)
      data.insert(data.end(), tag->body.begin() + kSoundBlockFields, tag->body.end());
  return data;
}

}  // namespace sonaflux::test
