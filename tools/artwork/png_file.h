#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonaflux::artwork {

/// 8-bit pixels row by row, channels 3 (RGB) or 4 (RGBA).
struct PngPixels {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> bytes;
};

/// False when the file cannot be written.
[[nodiscard]] bool writePng(const std::string& path, const PngPixels& pixels);
/// Any PNG expanded to 8-bit RGB or RGBA; nothing when it cannot be read.
std::optional<PngPixels> readPng(const std::string& path);

}  // namespace sonaflux::artwork
