#include "audio/id3_title_reader.h"

#include <algorithm>
#include <array>
#include <vector>

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>

#include "core/byte_order.h"
#include "core/utf8.h"

namespace sonaflux {

namespace {

constexpr std::int64_t kId3v2MinimumFileSize = 11;
constexpr std::size_t kId3v2HeaderSize = 10;
constexpr std::size_t kMajorVersionOffset = 3;
constexpr std::size_t kFlagsOffset = 5;
constexpr std::size_t kSizeOffset = 6;
constexpr std::uint8_t kUnsynchronisationFlag = 0x80;
constexpr std::uint8_t kExtendedHeaderFlag = 0x40;
constexpr std::size_t kFrameHeaderSize = 10;
constexpr std::uint32_t kLargestReadFrameText = 32768;
// Room after the tag for the longest frame that can make a title.
constexpr std::size_t kFramePastTagEnd = kLargestReadFrameText + 1 + kFrameHeaderSize;

constexpr std::int64_t kId3v1Size = 128;
constexpr std::size_t kId3v1FieldSize = 30;

// ID3v1 text: ISO-8859-1, zero bytes left out.
std::string latin1ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    if (b != 0) appendLatin1AsUtf8(out, b);
  }
  return out;
}

// The tag's bytes as a file, the form in which the tag library reads a tag.
class TagBytes : public TagLib::File {
 public:
  explicit TagBytes(TagLib::ByteVectorStream* stream) : TagLib::File(stream) {}
  TagLib::Tag* tag() const override { return nullptr; }
  TagLib::AudioProperties* audioProperties() const override { return nullptr; }
  bool save() override { return false; }
};

// Of repeated frames the last counts; of the values of one frame the first.
std::string frameText(const TagLib::ID3v2::Tag& tag, const char* id) {
  std::string text;
  for (const TagLib::ID3v2::Frame* frame : tag.frameList(id)) {
    // Text too long for a title is passed over, not read.
    if (frame->size() > kLargestReadFrameText + 1) continue;
    const auto* textFrame = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
    if (!textFrame) continue;
    const TagLib::StringList values = textFrame->fieldList();
    // Text that is not well-formed in its encoding reads as empty.
    text = values.isEmpty() ? std::string() : values.front().to8Bit(true);
  }
  return text;
}

bool looksLikeFrameIdentifier(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 4 && std::all_of(bytes.begin(), bytes.begin() + 4, [](std::uint8_t b) {
           return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
         });
}

std::uint32_t bigEndian32(std::span<const std::uint8_t> b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

void eraseAt(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t count) {
  const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(offset, bytes.size()));
  bytes.erase(first,
              first + static_cast<std::ptrdiff_t>(std::min(count, static_cast<std::size_t>(bytes.end() - first))));
}

// Mends what the tag library misreads before it sees the tag: it skips the
// extended header of version 3 as if its size counted itself, and ends its
// walk at an empty frame, which some players write among the first frames.
// A set extended-header flag with frames right after the header is a
// tagger's slip.
void mendTagBytes(std::vector<std::uint8_t>& tag) {
  const std::uint8_t major = tag[kMajorVersionOffset];
  if (major != 3 && major != 4) return;
  if ((tag[kFlagsOffset] & kExtendedHeaderFlag) && tag.size() >= kId3v2HeaderSize + 4) {
    const std::span<const std::uint8_t> size(tag.data() + kId3v2HeaderSize, 4);
    if (!looksLikeFrameIdentifier(size))
      eraseAt(tag, kId3v2HeaderSize, major == 4 ? synchsafe32(size) : bigEndian32(size) + 4u);
    tag[kFlagsOffset] &= static_cast<std::uint8_t>(~kExtendedHeaderFlag);
  }
  // Version 3 sizes of an unsynchronised tag count the bytes once restored.
  if (major == 3 && (tag[kFlagsOffset] & kUnsynchronisationFlag)) return;
  std::size_t pos = kId3v2HeaderSize;
  while (pos + kFrameHeaderSize <= tag.size() && looksLikeFrameIdentifier(std::span(tag).subspan(pos))) {
    const std::span<const std::uint8_t> size(tag.data() + pos + 4, 4);
    if (bigEndian32(size) == 0)
      eraseAt(tag, pos, kFrameHeaderSize);
    else
      pos += kFrameHeaderSize + (major == 4 ? synchsafe32(size) : bigEndian32(size));
  }
}

// Reads a leading ID3v2 tag with the tag library: frame sizes, unsynchronisation,
// compressed frames and the older frame names are its business.
void readId3v2(ByteSource& source, TagText& tags) {
  std::array<std::uint8_t, kId3v2HeaderSize> headerBytes{};
  if (source.readAt(0, headerBytes) < headerBytes.size()) {
    tags.id3v2ReadPastEnd = true;
    return;
  }
  if (headerBytes[0] != 'I' || headerBytes[1] != 'D' || headerBytes[2] != '3') return;
  const TagLib::ID3v2::Header header(
      TagLib::ByteVector(reinterpret_cast<const char*>(headerBytes.data()), headerBytes.size()));
  const std::int64_t tagSize = header.completeTagSize();
  tags.id3v2ReadPastEnd = tagSize > source.size();

  std::vector<std::uint8_t> tag(static_cast<std::size_t>(std::min(tagSize, source.size())));
  tag.resize(source.readAt(0, tag));
  mendTagBytes(tag);
  // Zeros after the tag's own bytes end a frame that claims to run further
  // where the tag ends, and end the walk there.
  tag.resize(tag.size() + kFramePastTagEnd, 0);
  const std::uint32_t bodySize = static_cast<std::uint32_t>(tag.size() - kId3v2HeaderSize);
  for (std::size_t i = 0; i < 4; ++i) tag[kSizeOffset + i] = (bodySize >> (21 - 7 * i)) & 0x7F;

  TagLib::ByteVectorStream stream(
      TagLib::ByteVector(reinterpret_cast<const char*>(tag.data()), static_cast<unsigned int>(tag.size())));
  TagBytes file(&stream);
  const TagLib::ID3v2::Tag parsed(&file, 0, TagLib::ID3v2::FrameFactory::instance());
  tags.artist = frameText(parsed, "TPE1");
  tags.title = frameText(parsed, "TIT2");
}

void readId3v1(ByteSource& source, TagText& tags) {
  std::array<std::uint8_t, 3 + 2 * kId3v1FieldSize> block{};
  if (source.readAt(source.size() - kId3v1Size, block) < block.size()) return;
  if (block[0] != 'T' || block[1] != 'A' || block[2] != 'G') return;
  std::span<const std::uint8_t> fields(block);
  if (tags.title.empty()) tags.title = latin1ToUtf8(fields.subspan(3, kId3v1FieldSize));
  if (tags.artist.empty()) tags.artist = latin1ToUtf8(fields.subspan(3 + kId3v1FieldSize, kId3v1FieldSize));
}

}  // namespace

std::size_t SpanSource::readAt(std::int64_t offset, std::span<std::uint8_t> out) {
  if (offset < 0 || offset >= size()) return 0;
  std::size_t count = std::min(out.size(), m_bytes.size() - static_cast<std::size_t>(offset));
  std::copy_n(m_bytes.begin() + offset, count, out.begin());
  return count;
}

TagText readTagText(ByteSource& source) {
  TagText tags;
  const std::int64_t length = source.size();
  if (length >= kId3v2MinimumFileSize) readId3v2(source, tags);
  if ((tags.artist.empty() || tags.title.empty()) && length >= kId3v1Size) {
    tags.id3v1Looked = true;
    readId3v1(source, tags);
  }
  return tags;
}

std::string makeInputTitle(const TagText& tags, const std::string& fileName) {
  if (!tags.artist.empty() && !tags.title.empty()) return tags.artist + " - " + tags.title;
  if (!tags.artist.empty()) return tags.artist;
  if (!tags.title.empty()) return tags.title;
  return fileName;
}

}  // namespace sonaflux
