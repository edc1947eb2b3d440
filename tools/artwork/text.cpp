#include "tools/artwork/text.h"

#include <algorithm>
#include <cmath>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace sonaflux::artwork {

namespace {

// Kerning between two glyphs in 26.6 fixed point; 0 where the face has none.
long kerning(FT_Face face, FT_UInt previous, FT_UInt glyph) {
  if (!previous || !glyph || !FT_HAS_KERNING(face)) return 0;
  FT_Vector kern;
  FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
  return kern.x;
}

}  // namespace

struct Font::Library {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Library() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

Font::Font(std::unique_ptr<Library> library) : m_library(std::move(library)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::open(const std::string& path) {
  auto library = std::make_unique<Library>();
  if (FT_Init_FreeType(&library->library) != 0) return nullptr;
  if (FT_New_Face(library->library, path.c_str(), 0, &library->face) != 0) return nullptr;
  return std::unique_ptr<Font>(new Font(std::move(library)));
}

TextMask Font::render(const std::string& text, int pixelSize) const {
  FT_Face face = m_library->face;
  TextMask mask;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) return mask;
  const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
  const int descender = static_cast<int>(-(face->size->metrics.descender >> 6));
  const int margin = pixelSize / 4 + 2;

  // First pass measures the advance so the mask can be sized once.
  long advance = 0;
  FT_UInt previous = 0;
  for (char c : text) {
    const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
    advance += kerning(face, previous, glyph);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0) advance += face->glyph->advance.x;
    previous = glyph;
  }
  mask.width = static_cast<int>(advance >> 6) + 2 * margin;
  mask.height = ascender + descender + 2 * margin;
  mask.baseline = margin + ascender;
  mask.coverage.assign(static_cast<std::size_t>(mask.width * mask.height), 0.0);

  long pen = static_cast<long>(margin) << 6;
  previous = 0;
  for (char c : text) {
    const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
    pen += kerning(face, previous, glyph);
    previous = glyph;
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = static_cast<int>(pen >> 6) + slot->bitmap_left;
    const int top = mask.baseline - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int x = left + static_cast<int>(col), y = top + static_cast<int>(row);
        if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) continue;
        const double value = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + col] / 255.0;
        double& cell = mask.coverage[static_cast<std::size_t>(y * mask.width + x)];
        cell = std::min(1.0, cell + value);
      }
    }
    pen += slot->advance.x;
  }

  mask.inkLeft = mask.width;
  mask.inkTop = mask.height;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (mask.at(x, y) <= 0) continue;
      mask.inkLeft = std::min(mask.inkLeft, x);
      mask.inkTop = std::min(mask.inkTop, y);
      mask.inkRight = std::max(mask.inkRight, x + 1);
      mask.inkBottom = std::max(mask.inkBottom, y + 1);
    }
  }
  if (mask.inkRight == 0) mask.inkLeft = mask.inkTop = 0;
  return mask;
}

void drawText(Image& image, const TextMask& mask, double x, double y, const Rgba& colour) {
  const int ox = static_cast<int>(std::lround(x)) - mask.inkLeft;
  const int oy = static_cast<int>(std::lround(y)) - mask.inkTop;
  for (int my = mask.inkTop; my < mask.inkBottom; ++my)
    for (int mx = mask.inkLeft; mx < mask.inkRight; ++mx) image.blend(ox + mx, oy + my, colour, mask.at(mx, my));
}

void drawTextCentred(Image& image, const TextMask& mask, double cx, double cy, const Rgba& colour) {
  // Vertically the capitals are centred; descenders hang below.
  const double inkWidth = mask.inkRight - mask.inkLeft, capHeight = mask.baseline - mask.inkTop;
  drawText(image, mask, std::round(cx - inkWidth / 2), std::round(cy - capHeight / 2), colour);
}

}  // namespace sonaflux::artwork
