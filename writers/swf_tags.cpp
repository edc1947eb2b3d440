#include "writers/swf_tags.h"

#include <algorithm>
#include <bit>

#include "core/byte_order.h"

namespace sonaflux {

namespace {

constexpr std::uint8_t kSwfVersion = 6;
// 20 x 20 pixels in twips; players and probes reject a zero-size stage.
constexpr std::int32_t kStageTwips = 400;
// 8.8 fixed point: one frame per second, as each block holds about a second.
constexpr std::uint16_t kFrameRateOneFps = 0x0100;
constexpr std::uint16_t kStreamSamplesPerFrame = 22050;

// Sound format bits: rate index 2 = 22 kHz, size 1 = 16-bit, type 0 = mono.
constexpr std::uint8_t kSoundRate22k = 2;
constexpr std::uint8_t kSoundSize16Bit = 1;
constexpr std::uint8_t kSoundTypeMono = 0;
constexpr std::uint8_t kSoundCompressionMp3 = 2;

std::uint8_t soundFormatBits() {
  return static_cast<std::uint8_t>((kSoundRate22k << 2) | (kSoundSize16Bit << 1) | kSoundTypeMono);
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}
  void put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (m_used == 0) m_out.push_back(0);
      if ((value >> i) & 1U) m_out.back() |= static_cast<std::uint8_t>(0x80U >> m_used);
      m_used = (m_used + 1) % 8;
    }
  }

 private:
  std::vector<std::uint8_t>& m_out;
  int m_used = 0;
};

// Bits needed for a signed field holding value.
int signedBits(std::int32_t value) {
  std::uint32_t magnitude = static_cast<std::uint32_t>(value < 0 ? ~value : value);
  return std::bit_width(magnitude) + 1;
}

}  // namespace

void appendTagHeader(std::vector<std::uint8_t>& out, std::uint16_t code, std::uint32_t length,
                     bool forceLong) {
  bool isLong = forceLong || length >= kSwfShortLengthLimit;
  std::uint16_t lengthField = isLong ? kSwfShortLengthLimit : static_cast<std::uint16_t>(length);
  appendU16(out, static_cast<std::uint16_t>((code << 6) | lengthField));
  if (isLong) appendU32(out, length);
}

void appendRect(std::vector<std::uint8_t>& out, std::int32_t xMin, std::int32_t xMax,
                std::int32_t yMin, std::int32_t yMax) {
  int bits = std::max({signedBits(xMin), signedBits(xMax), signedBits(yMin), signedBits(yMax)});
  BitWriter writer(out);
  writer.put(static_cast<std::uint32_t>(bits), 5);
  for (std::int32_t value : {xMin, xMax, yMin, yMax})
    writer.put(static_cast<std::uint32_t>(value) & ((1U << bits) - 1), bits);
}

std::vector<std::uint8_t> showFrameTag() {
  std::vector<std::uint8_t> out;
  appendTagHeader(out, kSwfTagShowFrame, 0);
  return out;
}

std::vector<std::uint8_t> endTag() {
  std::vector<std::uint8_t> out;
  appendTagHeader(out, kSwfTagEnd, 0);
  return out;
}

std::vector<std::uint8_t> setBackgroundColorTag(std::uint8_t red, std::uint8_t green,
                                                std::uint8_t blue) {
  std::vector<std::uint8_t> out;
  appendTagHeader(out, kSwfTagSetBackgroundColor, 3);
  out.insert(out.end(), {red, green, blue});
  return out;
}

std::vector<std::uint8_t> soundStreamHeadMp3Tag(std::uint16_t samplesPerFrame) {
  std::vector<std::uint8_t> body;
  body.push_back(soundFormatBits());  // playback: reserved bits, then the format
  body.push_back(static_cast<std::uint8_t>((kSoundCompressionMp3 << 4) | soundFormatBits()));
  appendU16(body, samplesPerFrame);
  appendU16(body, 0);  // LatencySeek, present only for MP3 streams
  std::vector<std::uint8_t> out;
  appendTagHeader(out, kSwfTagSoundStreamHead, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<std::uint8_t> soundStreamBlockHead(std::uint16_t sampleCount,
                                               std::uint16_t seekSamples) {
  std::vector<std::uint8_t> out;
  // Always the long form, so that the length can be patched in place.
  appendTagHeader(out, kSwfTagSoundStreamBlock, 0, true);
  appendU16(out, sampleCount);
  appendU16(out, seekSamples);
  return out;
}

std::vector<std::uint8_t> streamHeaderTemplate() {
  std::vector<std::uint8_t> out = {'F', 'W', 'S', kSwfVersion};
  appendU32(out, 0);  // FileLength
  appendRect(out, 0, kStageTwips, 0, kStageTwips);
  appendU16(out, kFrameRateOneFps);
  appendU16(out, 0);  // FrameCount
  for (const auto& tag : {setBackgroundColorTag(0xFF, 0xFF, 0xFF),
                          soundStreamHeadMp3Tag(kStreamSamplesPerFrame), showFrameTag()})
    out.insert(out.end(), tag.begin(), tag.end());
  return out;
}

}  // namespace sonaflux
