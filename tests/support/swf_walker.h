#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

  int showFrames() const;
  std::vector<const SwfTag*> tagsWithCode(std::uint16_t code) const;
};

/// Splits an uncompressed SWF ("FWS") into its records, knowing nothing of the
/// program's writer. Nothing, with a reason in error, when the signature is
/// wrong, a record runs past the end, or no End tag closes the file exactly.
std::optional<SwfFile> walkSwf(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

/// The MP3 data of the sound stream: the SoundStreamBlock bodies without
/// their SampleCount and SeekSamples, back to back.
std::vector<std::uint8_t> soundStreamData(const SwfFile& swf);

}  // namespace sonaflux::test
