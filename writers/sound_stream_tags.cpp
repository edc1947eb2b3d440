#include "writers/sound_stream_tags.h"

#include "core/byte_order.h"

namespace sonaflux {

namespace {

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

}  // namespace

std::vector<std::uint8_t> soundStreamHeadMp3Tag(std::uint16_t samplesPerFrame) {
  std::vector<std::uint8_t> body;
  body.push_back(soundFormatBits());  // playback: reserved bits, then the format
  body.push_back(static_cast<std::uint8_t>((kSoundCompressionMp3 << 4) | soundFormatBits()));
  appendU16(body, samplesPerFrame);
  appendU16(body, 0);  // LatencySeek, present only for MP3 streams
  return swf::tag(swf::TagCode::SoundStreamHead, body);
}

std::vector<std::uint8_t> soundStreamBlockTag(std::uint16_t sampleCount, std::uint16_t seekSamples,
                                              std::span<const std::uint8_t> frames) {
  std::vector<std::uint8_t> body;
  body.reserve(4 + frames.size());
  appendU16(body, sampleCount);
  appendU16(body, seekSamples);
  body.insert(body.end(), frames.begin(), frames.end());
  return swf::tag(swf::TagCode::SoundStreamBlock, body, true);
}

std::vector<std::uint8_t> streamHeaderTemplate() {
  swf::MovieHeader header;
  header.frameSize = {0, kStageTwips, 0, kStageTwips};
  header.frameRate = kFrameRateOneFps;
  header.frameCount = 0;
  std::vector<std::uint8_t> out = swf::movieHeader(header);
  for (const auto& tag : {swf::setBackgroundColorTag({0xFF, 0xFF, 0xFF}), soundStreamHeadMp3Tag(kStreamSamplesPerFrame),
                          swf::showFrameTag()})
    out.insert(out.end(), tag.begin(), tag.end());
  return out;
}

}  // namespace sonaflux
