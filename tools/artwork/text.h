#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/artwork/raster.h"

namespace sonaflux::artwork {

/// Coverage of a line of text, 0 to 1 per pixel, with the pen's baseline.
struct TextMask {
  int width = 0;
  int height = 0;
  int baseline = 0;  // row of the baseline
  std::vector<double> coverage;
  // Ink bounds (inclusive left/top, exclusive right/bottom); empty text has none.
  int inkLeft = 0, inkTop = 0, inkRight = 0, inkBottom = 0;
  double at(int x, int y) const { return coverage[static_cast<std::size_t>(y * width + x)]; }
};

/// One font face (a TrueType file) rendered through FreeType.
class Font {
 public:
  /// Null when the file cannot be opened as a font.
  static std::unique_ptr<Font> open(const std::string& path);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  /// ASCII text at a pixel height (the em size), kerned, hinted.
  TextMask render(const std::string& text, int pixelSize) const;

 private:
  struct Library;
  explicit Font(std::unique_ptr<Library> library);
  std::unique_ptr<Library> m_library;
};

/// Draws the mask with its ink box's top-left corner at (x, y).
void drawText(Image& image, const TextMask& mask, double x, double y, const Rgba& colour);
/// Draws the mask centred on (cx, cy): its ink horizontally, its capitals
/// (ink top to baseline) vertically; placed on whole pixels.
void drawTextCentred(Image& image, const TextMask& mask, double cx, double cy, const Rgba& colour);

}  // namespace sonaflux::artwork
