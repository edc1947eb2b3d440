#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sonaflux::test {

/// One record of an SWF file: code, declared length, where it starts and its body.
struct SwfTag {
  std::uint16_t code = 0;
  std::uint32_t length = 0;
  bool longHeader = false;
  std::size_t offset = 0;  // of the record header
  std::vector<std::uint8_t> body;
};

struct SwfFile {
  std::string signature;
  std::uint8_t version = 0;
  std::uint32_t fileLength = 0;
  int rectBits = 0;
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  std::uint16_t frameRate = 0;  // 8.8 fixed point
  std::uint16_t frameCount = 0;
  std::size_t headerSize = 0;  // where the first tag starts
  std::vector<SwfTag> tags;

  /// Number of ShowFrame records.
  int showFrames() const;
  /// The tags with this code, in file order.
  std::vector<const SwfTag*> tagsWithCode(std::uint16_t code) const;
};

/// Splits an uncompressed SWF ("FWS") into its records, stopping after the
/// End tag. Nothing, with a reason in error, when the signature is wrong, a
/// record runs past the end, or no End tag closes the file exactly.
std::optional<SwfFile> walkSwf(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

/// The MP3 data of an SWF's sound stream: the bodies of its SoundStreamBlock
/// records without their SampleCount and SeekSamples, back to back.
std::vector<std::uint8_t> soundStreamData(const SwfFile& swf);

}  // namespace sonaflux::test
