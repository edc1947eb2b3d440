#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace sonaflux {

inline constexpr std::size_t kFrameHeaderSize = 4;
inline constexpr std::uint8_t kFrameSyncByte = 0xFF;
inline constexpr std::uint8_t kFrameSyncMask = 0xE0;

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

/// The fields of an MPEG audio frame header that the frame copier uses.
struct FrameHeader {
  MpegVersion version = MpegVersion::Mpeg1;
  int layer = 3;  // 1, 2 or 3
  std::int32_t bitrateKbps = 0;
  std::int32_t sampleRate = 0;
  bool padding = false;
  bool stereo = false;      // any channel mode but single channel
  bool freeFormat = false;  // bitrate index 0: the length is measured, not computed
};

/// True when the two bytes open a frame: 0xFF, then a byte with its top three bits set.
[[nodiscard]] constexpr bool isFrameSync(std::uint8_t first, std::uint8_t second) {
  return first == kFrameSyncByte && (second & kFrameSyncMask) == kFrameSyncMask;
}

/// True when the four bytes are a header a decoder accepts: the sync, and no
/// reserved version, layer or sample-rate index nor the forbidden bitrate index.
[[nodiscard]] bool isValidFrameHeader(std::span<const std::uint8_t> bytes);

/// True when two headers belong to one free-format stream: both free format,
/// with the same version, layer, sample rate and channel count (joint stereo
/// frames may stand among stereo ones).
[[nodiscard]] bool sameFreeFormatStream(const FrameHeader& a, const FrameHeader& b);

/// Bytes one padding slot adds to a frame of the layer.
[[nodiscard]] constexpr std::int32_t paddingSlotSize(int layer) { return layer == 1 ? 4 : 1; }

/// Decodes header bytes 2 to 4. Reserved values are read leniently (reserved
/// version as MPEG-2.5, reserved layer as Layer III, free and forbidden bitrate
/// indexes as 128 kbit/s, reserved sample-rate index as 44 100 Hz), so every
/// byte triple gives a header.
[[nodiscard]] FrameHeader decodeFrameHeader(std::uint8_t byte2, std::uint8_t byte3, std::uint8_t byte4);

/// The header at the start of bytes; nothing when there are fewer than four
/// bytes or no sync.
[[nodiscard]] std::optional<FrameHeader> parseFrameHeader(std::span<const std::uint8_t> bytes);

/// Length of the whole frame in bytes, header included. A free-format frame
/// reads as 128 kbit/s here; its real length is the distance to the next header.
[[nodiscard]] std::int32_t frameLength(const FrameHeader& header);

/// The longest frame frameLength can give (MPEG-2.5 Layer II, 160 kbit/s, 8 000 Hz, padded).
inline constexpr std::int32_t kLongestFrameLength = 2881;

}  // namespace sonaflux
