#include "tests/support/mp3_fixture.h"

#include <algorithm>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux::test {

std::array<std::uint8_t, 4> frameHeader(int versionBits, int layerBits, int bitrateIndex, int sampleRateIndex,
                                        bool padding, int channelMode) {
  return {0xFF, static_cast<std::uint8_t>(0xE0 | versionBits << 3 | layerBits << 1 | 1),
          static_cast<std::uint8_t>(bitrateIndex << 4 | sampleRateIndex << 2 | (padding ? 2 : 0)),
          static_cast<std::uint8_t>(channelMode << 6)};
}

std::vector<std::uint8_t> syntheticFrame(const std::array<std::uint8_t, 4>& header, std::size_t length,
                                         std::uint8_t filler) {
  std::vector<std::uint8_t> frame(header.begin(), header.end());
  frame.resize(std::max<std::size_t>(length, 4), filler);
  return frame;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> bigEndian32(std::uint32_t value) {
  return {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

std::vector<std::uint8_t> synchsafe32(std::uint32_t value) {
  return {std::uint8_t(value >> 21 & 0x7F), std::uint8_t(value >> 14 & 0x7F), std::uint8_t(value >> 7 & 0x7F),
          std::uint8_t(value & 0x7F)};
}

std::vector<std::uint8_t> id3v2FrameWithSize(const std::string& id, std::uint32_t sizeField, std::uint8_t encoding,
                                             const std::vector<std::uint8_t>& text) {
  return concat({bytesOf(id), bigEndian32(sizeField), {0, 0, encoding}, text});
}

std::vector<std::uint8_t> id3v2Frame(const std::string& id, std::uint8_t encoding,
                                     const std::vector<std::uint8_t>& text, int major) {
  const auto size = static_cast<std::uint32_t>(text.size() + 1);
  return concat({bytesOf(id), major == 4 ? synchsafe32(size) : bigEndian32(size), {0, 0, encoding}, text});
}

std::vector<std::uint8_t> id3v2Header(std::uint32_t tagSize, int major, std::uint8_t flags) {
  return concat({{'I', 'D', '3', static_cast<std::uint8_t>(major), 0, flags}, synchsafe32(tagSize)});
}

std::vector<std::uint8_t> id3v2Tag(const std::vector<std::uint8_t>& body, int major, std::uint8_t flags,
                                   std::size_t padding) {
  return concat({id3v2Header(static_cast<std::uint32_t>(body.size() + padding), major, flags), body,
                 std::vector<std::uint8_t>(padding, 0)});
}

std::vector<std::uint8_t> id3v1Block(const std::string& title, const std::string& artist, std::uint8_t filler) {
  std::vector<std::uint8_t> out = {'T', 'A', 'G'};
  for (std::string field : {title, artist}) {
    field.resize(30, static_cast<char>(filler));
    out.insert(out.end(), field.begin(), field.end());
  }
  out.resize(128, 0);
  return out;
}

std::vector<std::uint8_t> encodeWithLame(const std::vector<std::int16_t>& interleaved, std::uint32_t sampleRate,
                                         std::uint16_t channels, const std::vector<std::string>& lameArguments) {
  TempFolder folder;
  writeFileBytes(folder.file("in.wav"), makePcmWav(sampleRate, channels, 16, interleaved));
  std::vector<std::string> argv = {"lame", "--quiet"};
  argv.insert(argv.end(), lameArguments.begin(), lameArguments.end());
  argv.insert(argv.end(), {folder.file("in.wav"), folder.file("out.mp3")});
  return runProcess(argv).exitCode == 0 ? readFileBytes(folder.file("out.mp3")) : std::vector<std::uint8_t>{};
}

}  // namespace sonaflux::test
