#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sonaflux::test {

// Header field values as they stand in the bits of an MPEG audio frame header.
inline constexpr int kVersion1 = 0b11, kVersion2 = 0b10, kVersion25 = 0b00, kVersionReserved = 0b01;
inline constexpr int kLayer2 = 0b10, kLayer3 = 0b01, kLayerReserved = 0b00;
inline constexpr int kModeStereo = 0b00, kModeJoint = 0b01, kModeDual = 0b10, kModeMono = 0b11;

/// The four header bytes (protection bit set: no CRC).
std::array<std::uint8_t, 4> frameHeader(int versionBits, int layerBits, int bitrateIndex, int sampleRateIndex,
                                        bool padding, int channelMode);

/// The header, then filler bytes that can never start a frame, up to length.
std::vector<std::uint8_t> syntheticFrame(const std::array<std::uint8_t, 4>& header, std::size_t length,
                                         std::uint8_t filler = 0x55);

std::vector<std::uint8_t> bytesOf(const std::string& text);
std::vector<std::uint8_t> bigEndian32(std::uint32_t value);
std::vector<std::uint8_t> synchsafe32(std::uint32_t value);

/// Identifier, size of encoding byte and text (synchsafe for major version 4), flags, encoding, text.
std::vector<std::uint8_t> id3v2Frame(const std::string& id, std::uint8_t encoding,
                                     const std::vector<std::uint8_t>& text, int major = 3);
std::vector<std::uint8_t> id3v2FrameWithSize(const std::string& id, std::uint32_t sizeField, std::uint8_t encoding,
                                             const std::vector<std::uint8_t>& text);

/// The header of a tag declaring tagSize bytes after it, whatever follows.
std::vector<std::uint8_t> id3v2Header(std::uint32_t tagSize, int major = 3, std::uint8_t flags = 0);
/// Header, body, then padding zero bytes.
std::vector<std::uint8_t> id3v2Tag(const std::vector<std::uint8_t>& body, int major = 3, std::uint8_t flags = 0,
                                   std::size_t padding = 0);

/// The 128-byte block; fields cut or filled with the filler to 30 bytes.
std::vector<std::uint8_t> id3v1Block(const std::string& title, const std::string& artist, std::uint8_t filler = 0);

/// The file the lame command-line encoder makes of the samples with the arguments; empty on failure.
std::vector<std::uint8_t> encodeWithLame(const std::vector<std::int16_t>& interleaved, std::uint32_t sampleRate,
                                         std::uint16_t channels, const std::vector<std::string>& lameArguments);

}  // namespace sonaflux::test
