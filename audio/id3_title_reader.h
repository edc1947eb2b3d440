#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sonaflux {

/// Random access to the bytes of a file for the tag reader.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t size() const = 0;
  /// Reads up to out.size() bytes at offset; the number read (fewer at the end).
  virtual std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
};

/// A ByteSource over bytes in memory.
class SpanSource : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
  std::int64_t size() const override { return static_cast<std::int64_t>(m_bytes.size()); }
  std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> m_bytes;
};

/// What the tags say, in UTF-8.
struct TagText {
  std::string artist;
  std::string title;
  /// The ID3v2 tag ran past the end of the file.
  bool id3v2ReadPastEnd = false;
  /// The ID3v1 block was looked for after the ID3v2 tag.
  bool id3v1Looked = false;
};

/// Reads the artist (TPE1) and title (TIT2) of a leading ID3v2 tag, then fills
/// whichever is still empty from an ID3v1 block at the end of the file.
/// Text comes out as well-formed UTF-8.
[[nodiscard]] TagText readTagText(ByteSource& source);

/// "Artist - Title", or the one of them present, or the file name.
[[nodiscard]] std::string makeInputTitle(const TagText& tags, const std::string& fileName);

}  // namespace sonaflux
