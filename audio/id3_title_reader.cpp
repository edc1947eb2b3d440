#include "audio/id3_title_reader.h"

#include <algorithm>
#include <array>
#include <vector>

namespace sonaflux {

namespace {

constexpr std::int64_t kId3v2MinimumFileSize = 11;
constexpr std::int64_t kId3v2HeaderSize = 10;
constexpr std::int64_t kFlagsOffset = 5;
constexpr std::int64_t kSizeOffset = 6;
constexpr std::uint8_t kExtendedHeaderFlag = 0x40;
constexpr std::int64_t kLargestReadFrameText = 32768;

constexpr std::int64_t kId3v1Size = 128;
constexpr std::size_t kId3v1FieldSize = 30;

constexpr std::uint8_t kEncodingLatin1 = 0;
constexpr std::uint8_t kEncodingUtf16Bom = 1;
constexpr std::uint8_t kEncodingUtf16BigEndian = 2;
constexpr std::uint8_t kEncodingUtf8 = 3;

constexpr char32_t kReplacement = 0xFFFD;

// Reads forward from an offset; the first read that comes up short sets pastEnd
// and every read after it fails too.
class Cursor {
 public:
  Cursor(ByteSource& source, std::int64_t offset) : m_source(source), m_offset(offset) {}

  bool read(std::span<std::uint8_t> out) {
    if (pastEnd) return false;
    std::size_t got = m_offset < 0 ? 0 : m_source.readAt(m_offset, out);
    m_offset += static_cast<std::int64_t>(out.size());
    if (got < out.size()) pastEnd = true;
    return !pastEnd;
  }
  void skip(std::int64_t count) { m_offset += count; }
  std::int64_t offset() const { return m_offset; }

  bool pastEnd = false;

 private:
  ByteSource& m_source;
  std::int64_t m_offset;
};

std::int64_t synchsafe(const std::array<std::uint8_t, 4>& b) {
  return (std::int64_t{b[0] & 0x7F} << 21) | (std::int64_t{b[1] & 0x7F} << 14) |
         (std::int64_t{b[2] & 0x7F} << 7) | (b[3] & 0x7F);
}

std::int64_t bigEndian32(const std::array<std::uint8_t, 4>& b) {
  return (std::int64_t{b[0]} << 24) | (std::int64_t{b[1]} << 16) | (std::int64_t{b[2]} << 8) | b[3];
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::span<const std::uint8_t> upToZero(std::span<const std::uint8_t> bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes.first(static_cast<std::size_t>(end - bytes.begin()));
}

std::string utf16ToUtf8(std::span<const std::uint8_t> bytes, bool bigEndian) {
  std::string out;
  char32_t pendingHigh = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = bigEndian ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i + 1] << 8 | bytes[i]);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (pendingHigh) appendUtf8(out, kReplacement);
      pendingHigh = unit;
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      appendUtf8(out, pendingHigh ? 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00)
                                  : kReplacement);
      pendingHigh = 0;
      continue;
    }
    if (pendingHigh) appendUtf8(out, kReplacement);
    pendingHigh = 0;
    appendUtf8(out, unit);
  }
  if (pendingHigh) appendUtf8(out, kReplacement);
  return out;
}

// Keeps well-formed UTF-8 and replaces every ill-formed sequence, so that the
// title is safe to put into a page.
std::string sanitizeUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::uint8_t lead = bytes[i];
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool ok = length != 0 && i + length <= bytes.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (bytes[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if (ok && ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
               (c >= 0xD800 && c <= 0xDFFF)))
      ok = false;
    if (!ok) {
      appendUtf8(out, kReplacement);
      ++i;
      continue;
    }
    out.append(reinterpret_cast<const char*>(bytes.data() + i), length);
    i += length;
  }
  return out;
}

bool looksLikeFrameIdentifier(const std::array<std::uint8_t, 4>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'); });
}

bool identifierIs(const std::array<std::uint8_t, 4>& id, const char* name) {
  return std::equal(id.begin(), id.end(), name);
}

// Walks the frames of a leading ID3v2 tag. Frames whose text is too large to
// be a title are skipped, not read.
void readId3v2(ByteSource& source, TagText& tags) {
  Cursor cursor(source, 0);
  std::array<std::uint8_t, kId3v2HeaderSize> header{};
  if (!cursor.read(header)) {
    tags.id3v2ReadPastEnd = true;
    return;
  }
  if (header[0] != 'I' || header[1] != 'D' || header[2] != '3') return;
  const std::uint8_t major = header[3];
  const std::uint8_t flags = header[kFlagsOffset];
  const std::int64_t tagSize = std::int64_t{header[kSizeOffset]} * 2097152 +
                               std::int64_t{header[kSizeOffset + 1]} * 16384 +
                               std::int64_t{header[kSizeOffset + 2]} * 128 + header[kSizeOffset + 3];
  const std::int64_t tagEnd = kId3v2HeaderSize + tagSize;  // offset just past the tag

  if ((flags & kExtendedHeaderFlag) && (major == 3 || major == 4)) {
    std::array<std::uint8_t, 4> size{};
    if (!cursor.read(size)) {
      tags.id3v2ReadPastEnd = true;
      return;
    }
    // Some taggers set the flag without writing the header; a real size
    // never reads as a frame identifier. Version 4 counts the size field
    // itself, version 3 does not.
    if (looksLikeFrameIdentifier(size))
      cursor.skip(-4);
    else if (major == 4)
      cursor.skip(std::max<std::int64_t>(synchsafe(size) - 4, 0));
    else
      cursor.skip(bigEndian32(size));
  }

  std::vector<std::uint8_t> text;
  while (cursor.offset() < tagEnd) {
    std::array<std::uint8_t, 4> id{};
    if (!cursor.read(id)) break;
    if (id[0] == 0) break;  // the padding after the last frame
    std::array<std::uint8_t, 4> size{};
    std::array<std::uint8_t, 3> flagsAndEncoding{};
    if (!cursor.read(size) || !cursor.read(flagsAndEncoding)) break;
    const std::int64_t frameSize = major == 4 ? synchsafe(size) : bigEndian32(size);
    const std::int64_t textLength = frameSize - 1;  // the encoding byte is read
    if (textLength == 0) continue;
    if (textLength > kLargestReadFrameText) {
      cursor.skip(textLength);
      continue;
    }
    text.assign(static_cast<std::size_t>(std::max<std::int64_t>(textLength, 0)), 0);
    if (!cursor.read(text)) break;
    if (identifierIs(id, "TPE1")) tags.artist = decodeId3Text(flagsAndEncoding[2], text);
    if (identifierIs(id, "TIT2")) tags.title = decodeId3Text(flagsAndEncoding[2], text);
  }
  tags.id3v2ReadPastEnd = cursor.pastEnd;
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

std::string latin1ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::uint8_t b : bytes)
    if (b != 0) appendUtf8(out, b);
  return out;
}

std::string decodeId3Text(std::uint8_t encoding, std::span<const std::uint8_t> bytes) {
  switch (encoding) {
    case kEncodingUtf16Bom:
      if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return utf16ToUtf8(bytes.subspan(2), true);
      if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return utf16ToUtf8(bytes.subspan(2), false);
      return utf16ToUtf8(bytes, false);
    case kEncodingUtf16BigEndian:
      return utf16ToUtf8(bytes, true);
    case kEncodingUtf8:
      return sanitizeUtf8(upToZero(bytes));
    case kEncodingLatin1:
    default:
      return latin1ToUtf8(upToZero(bytes));
  }
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
