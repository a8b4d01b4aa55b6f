// Rasterising the face: FreeType opens the file the face request resolved to
// (font_lookup.cpp) and renders each character once into the atlas.
#include <algorithm>
#include <cmath>

#include "font_internal.h"

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

namespace d3dx9 {

bool open_face(D3dxFontState* font, INT height, UINT width) {
  if (FT_Init_FreeType(&font->library) != 0) return false;
  if (FT_New_Face(font->library, font->file.path.c_str(), font->file.index, &font->face) != 0) return false;
  FT_Face face = font->face;

  if (!FT_IS_SCALABLE(face)) {
    // A bitmap font: the strike nearest the wanted cell height.
    if (face->num_fixed_sizes <= 0) return false;
    const int wanted = height > 0 ? height : (height < 0 ? -height : 16);
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i)
      if (std::abs(face->available_sizes[i].height - wanted) <
          std::abs(face->available_sizes[best].height - wanted))
        best = i;
    if (FT_Select_Size(face, best) != 0) return false;
    font->ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    font->descent = static_cast<int>(-face->size->metrics.descender >> 6);
    return true;
  }

  // GDI's cell is the TrueType "Windows" ascent plus descent, which is larger than the
  // em: a positive height sizes the cell, a negative one the em.
  const double em_units = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const bool win_metrics = os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0;
  const double ascent_units = win_metrics ? os2->usWinAscent : face->ascender;
  const double descent_units = win_metrics ? os2->usWinDescent : -face->descender;
  if (em_units <= 0 || ascent_units + descent_units <= 0) return false;

  const int cell = height > 0 ? height : 16;
  const long em = height < 0 ? -static_cast<long>(height)
                             : std::max(1L, std::lround(cell * em_units / (ascent_units + descent_units)));
  long em_width = em;
  if (width > 0 && os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
    em_width = std::max(1L, std::lround(width * em_units / os2->xAvgCharWidth));
  if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(em_width), static_cast<FT_UInt>(em)) != 0) return false;

  font->ascent = static_cast<int>(std::lround(ascent_units * em / em_units));
  font->descent = height >= 0 ? std::max(0, cell - font->ascent)
                              : static_cast<int>(std::lround(descent_units * em / em_units));
  if (font->file.slant) FT_Set_Transform(face, &font->file.shear, nullptr);
  return true;
}

// Windows-1252 gives 0x80..0x9F printable characters; elsewhere bytes are Latin-1.
unsigned long ansi_to_unicode(unsigned char c) {
  static const unsigned short kHighControls[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (c >= 0x80 && c < 0xA0) return kHighControls[c - 0x80];
  return c;
}

}  // namespace d3dx9

namespace {

// Copies a FreeType bitmap (8-bit grey or 1-bit) into the atlas at (x, y).
void copy_bitmap(const FT_Bitmap& bitmap, d3dx9::GlyphAtlas* atlas, int x, int y) {
  const int rows = static_cast<int>(bitmap.rows);
  const int columns = static_cast<int>(bitmap.width);
  const int pitch = bitmap.pitch;
  for (int row = 0; row < rows; ++row) {
    // A negative pitch stores the bottom row first.
    const unsigned char* source = bitmap.buffer + (pitch >= 0 ? row * pitch : (rows - 1 - row) * -pitch);
    std::uint8_t* target = atlas->pixels.data() + static_cast<size_t>(y + row) * atlas->width + x;
    for (int column = 0; column < columns; ++column) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        target[column] = (source[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
      else
        target[column] = source[column];
    }
  }
  atlas->dirty = true;
}

}  // namespace

const d3dx9::Glyph& D3dxFontState::glyph(unsigned char c) {
  d3dx9::Glyph& g = glyphs[c];
  if (g.loaded) return g;
  g.loaded = true;
  // Control characters (line breaks among them) have no picture and no width.
  if (!face || c < 0x20 || c == 0x7F) return g;
  FT_UInt index = FT_Get_Char_Index(face, d3dx9::ansi_to_unicode(c));
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  if (file.embolden) FT_GlyphSlot_Embolden(slot);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
  g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.width == 0 || bitmap.rows == 0 || !bitmap.buffer) return g;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return g;
  int x = 0, y = 0;
  const int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
  if (!d3dx9::atlas_place(this, w, h, &x, &y)) return g;  // too big: drawn as blank
  copy_bitmap(bitmap, &atlas, x, y);
  g.atlasX = x;
  g.atlasY = y;
  g.width = w;
  g.height = h;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  return g;
}

void D3dxFontState::close_face() {
  if (face) FT_Done_Face(face);
  if (library) FT_Done_FreeType(library);
  face = nullptr;
  library = nullptr;
}
