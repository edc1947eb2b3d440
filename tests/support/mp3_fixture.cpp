#include "tests/support/mp3_fixture.h"

#include <algorithm>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wav_fixture.h"

namespace sonaflux::test {

namespace {

void appendSynchsafe(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0x7F));
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

}  // namespace

std::array<std::uint8_t, 4> frameHeader(int versionBits, int layerBits, int bitrateIndex,
                                        int sampleRateIndex, bool padding, int channelMode) {
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

void append(std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) { a.insert(a.end(), b.begin(), b.end()); }

std::vector<std::uint8_t> id3v2FrameWithSize(const std::string& id, std::uint32_t sizeField,
                                             std::uint8_t encoding, const std::vector<std::uint8_t>& text) {
  std::vector<std::uint8_t> out(id.begin(), id.end());
  appendBigEndian(out, sizeField);
  out.push_back(0);
  out.push_back(0);
  out.push_back(encoding);
  append(out, text);
  return out;
}

std::vector<std::uint8_t> id3v2Frame(const std::string& id, std::uint8_t encoding,
                                     const std::vector<std::uint8_t>& text, int major) {
  const auto size = static_cast<std::uint32_t>(text.size() + 1);
  std::vector<std::uint8_t> out(id.begin(), id.end());
  if (major == 4)
    appendSynchsafe(out, size);
  else
    appendBigEndian(out, size);
  out.push_back(0);
  out.push_back(0);
  out.push_back(encoding);
  append(out, text);
  return out;
}

std::vector<std::uint8_t> id3v2Header(std::uint32_t tagSize, int major, std::uint8_t flags) {
  std::vector<std::uint8_t> out = {'I', 'D', '3', static_cast<std::uint8_t>(major), 0, flags};
  appendSynchsafe(out, tagSize);
  return out;
}

std::vector<std::uint8_t> id3v2Tag(const std::vector<std::uint8_t>& body, int major, std::uint8_t flags,
                                   std::size_t padding) {
  std::vector<std::uint8_t> out = id3v2Header(static_cast<std::uint32_t>(body.size() + padding), major, flags);
  append(out, body);
  out.resize(out.size() + padding, 0);
  return out;
}

std::vector<std::uint8_t> id3v1Block(const std::string& title, const std::string& artist, std::uint8_t filler) {
  std::vector<std::uint8_t> out = {'T', 'A', 'G'};
  for (const std::string& field : {title, artist}) {
    std::vector<std::uint8_t> bytes(field.begin(), field.end());
    bytes.resize(30, filler);
    append(out, bytes);
  }
  out.resize(128, 0);
  return out;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> encodeWithLame(const std::vector<std::int16_t>& interleaved, std::uint32_t sampleRate,
                                         std::uint16_t channels, const std::vector<std::string>& lameArguments) {
  TempFolder folder;
  writeFileBytes(folder.file("in.wav"), makePcmWav(sampleRate, channels, 16, interleaved));
  std::vector<std::string> argv = {"lame", "--quiet"};
  argv.insert(argv.end(), lameArguments.begin(), lameArguments.end());
  argv.insert(argv.end(), {folder.file("in.wav"), folder.file("out.mp3")});
  if (runProcess(argv).exitCode != 0) return {};
  return readFileBytes(folder.file("out.mp3"));
}

}  // namespace sonaflux::test
