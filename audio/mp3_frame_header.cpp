#include "audio/mp3_frame_header.h"

#include <array>

namespace sonaflux {

namespace {

using BitrateRow = std::array<std::int32_t, 16>;

// Indexes 0 (free format) and 15 (forbidden) read as 128 kbit/s.
constexpr BitrateRow kMpeg1Layer1 = {128, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 128};
constexpr BitrateRow kMpeg1Layer2 = {128, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 128};
constexpr BitrateRow kMpeg1Layer3 = {128, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 128};
// The lower-sampling-frequency tables, shared by MPEG-2 and MPEG-2.5.
constexpr BitrateRow kLsfLayer1 = {128, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 128};
constexpr BitrateRow kLsfLayer23 = {128, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 128};

constexpr std::int32_t kReservedSampleRate = 44100;
constexpr std::array<std::int32_t, 3> kMpeg1Rates = {44100, 48000, 32000};
constexpr std::array<std::int32_t, 3> kMpeg2Rates = {22050, 24000, 16000};
constexpr std::array<std::int32_t, 3> kMpeg25Rates = {11025, 12000, 8000};

constexpr int kChannelModeSingle = 3;
constexpr int kVersionBitsReserved = 0b01;
constexpr int kLayerBitsReserved = 0b00;
constexpr int kBitrateIndexFree = 0;
constexpr int kBitrateIndexForbidden = 15;
constexpr int kSampleRateIndexReserved = 3;

MpegVersion versionFromBits(int bits) {
  switch (bits) {
    case 3: return MpegVersion::Mpeg1;
    case 2: return MpegVersion::Mpeg2;
    default: return MpegVersion::Mpeg25;  // 00, and the reserved 01
  }
}

int layerFromBits(int bits) {
  switch (bits) {
    case 3: return 1;
    case 2: return 2;
    default: return 3;  // 01, and the reserved 00
  }
}

const BitrateRow& bitrateRow(MpegVersion version, int layer) {
  if (version == MpegVersion::Mpeg1) {
    if (layer == 1) return kMpeg1Layer1;
    return layer == 2 ? kMpeg1Layer2 : kMpeg1Layer3;
  }
  return layer == 1 ? kLsfLayer1 : kLsfLayer23;
}

std::int32_t sampleRateFor(MpegVersion version, int index) {
  if (index > 2) return kReservedSampleRate;
  switch (version) {
    case MpegVersion::Mpeg1: return kMpeg1Rates[index];
    case MpegVersion::Mpeg2: return kMpeg2Rates[index];
    case MpegVersion::Mpeg25: return kMpeg25Rates[index];
  }
  return kReservedSampleRate;
}

}  // namespace

FrameHeader decodeFrameHeader(std::uint8_t byte2, std::uint8_t byte3, std::uint8_t byte4) {
  FrameHeader header;
  header.version = versionFromBits((byte2 >> 3) & 0x3);
  header.layer = layerFromBits((byte2 >> 1) & 0x3);
  header.bitrateKbps = bitrateRow(header.version, header.layer)[(byte3 >> 4) & 0xF];
  header.sampleRate = sampleRateFor(header.version, (byte3 >> 2) & 0x3);
  header.padding = (byte3 & 0x2) != 0;
  header.stereo = ((byte4 >> 6) & 0x3) != kChannelModeSingle;
  header.freeFormat = ((byte3 >> 4) & 0xF) == kBitrateIndexFree;
  return header;
}

bool isValidFrameHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFrameHeaderSize || !isFrameSync(bytes[0], bytes[1])) return false;
  return ((bytes[1] >> 3) & 0x3) != kVersionBitsReserved && ((bytes[1] >> 1) & 0x3) != kLayerBitsReserved &&
         ((bytes[2] >> 4) & 0xF) != kBitrateIndexForbidden && ((bytes[2] >> 2) & 0x3) != kSampleRateIndexReserved;
}

bool sameFreeFormatStream(const FrameHeader& a, const FrameHeader& b) {
  return a.freeFormat && b.freeFormat && a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate &&
         a.stereo == b.stereo;
}

std::optional<FrameHeader> parseFrameHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFrameHeaderSize || !isFrameSync(bytes[0], bytes[1])) return std::nullopt;
  return decodeFrameHeader(bytes[1], bytes[2], bytes[3]);
}

std::int32_t frameLength(const FrameHeader& header) {
  const std::int32_t bitrate = header.bitrateKbps;
  const std::int32_t rate = header.sampleRate;
  switch (header.layer) {
    // Layer I frames are counted in 4-byte slots: at 44 100 Hz and its
    // halves a plain bitrate x 48 000 / rate would run one byte or more into
    // the next frame and lose it.
    case 1: return bitrate * 12000 / rate * 4 + (header.padding ? 4 : 0);
    case 2: return bitrate * 144000 / rate + (header.padding ? 1 : 0);
    default: {
      // Layer III frames of MPEG-2 and 2.5 carry half as many samples.
      const std::int32_t divisor = header.version == MpegVersion::Mpeg1 ? 1 : 2;
      return bitrate * 144000 / rate / divisor + (header.padding ? 1 : 0);
    }
  }
}

}  // namespace sonaflux
