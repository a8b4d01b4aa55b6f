// The font's inside: the FreeType face fontconfig chose, its pixel metrics, the glyphs
// rendered so far in one growing atlas texture, and the OpenGL objects that draw them.
#ifndef VORNEX_PLATFORM_D3DX9_FONT_INTERNAL_H
#define VORNEX_PLATFORM_D3DX9_FONT_INTERNAL_H

#include <d3dx9core.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "../d3d9/d3d9_internal.h"

struct D3dxFontState;

namespace d3dx9 {

// What fontconfig found for a face request.
struct FontFile {
  std::string path;
  int index = 0;          // the face inside the file
  bool embolden = false;  // the family has no bold face: thicken the outlines
  bool slant = false;     // the family has no italic face: shear the outlines
  FT_Matrix shear{};
};

// Resolves family, weight and italic through fontconfig, which substitutes a similar
// face for a family it does not know (as GDI does); false only when no font file
// resolves at all. An empty family asks for the default face.
bool find_font_file(const std::string& family, UINT weight, bool italic, FontFile* out);

// Opens font->file with FreeType at the size GDI would give `height` and `width` (see
// D3DXCreateFontA) and sets the line metrics; false when FreeType cannot use the file.
bool open_face(D3dxFontState* font, INT height, UINT width);

// A glyph in the atlas: its bitmap's place there, and how it sits on the pen.
struct Glyph {
  bool loaded = false;  // rendered (or found empty) already
  int atlasX = 0, atlasY = 0;
  int width = 0, height = 0;  // 0 for a blank glyph, or one that does not fit
  int left = 0;               // bitmap origin right of the pen
  int top = 0;                // bitmap top above the baseline
  int advance = 0;            // whole pixels to the next pen position
};

// One greyscale texture of coverage values, filled shelf by shelf (rows of glyphs). When
// it is full it doubles (up to kMaxSize a side) and the glyphs are packed again, so that
// any text of the font is drawn from one texture.
struct GlyphAtlas {
  static const int kMaxSize = 4096;
  int width = 256, height = 256;
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(256 * 256, 0);
  int shelfX = 1, shelfY = 1, shelfHeight = 0;  // the shelf being filled
  bool dirty = true;                            // pixels changed since the texture was last sent
};

}  // namespace d3dx9

struct D3dxFontState {
  D3d9DeviceState* device = nullptr;  // null once the device is gone
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  d3dx9::FontFile file;
  int ascent = 0;                        // pixels above the baseline in a line's cell
  int descent = 0;                       // pixels below it; ascent + descent is the line height
  std::array<d3dx9::Glyph, 256> glyphs;  // by byte value: DrawTextA's characters
  d3dx9::GlyphAtlas atlas;

  GLuint texture = 0;
  GLuint vertexArray = 0;
  GLuint vertexBuffer = 0;
  d3d9::ShaderProgram program;
  GLint targetSize = -1, atlasSize = -1, textColor = -1, atlasSampler = -1;

  int line_height() const { return ascent + descent; }
  // The interface object that owns `state`.
  static ID3DXFont* make_interface(D3dxFontState* state);
  // The glyph for a byte, rendered into the atlas the first time it is asked for.
  const d3dx9::Glyph& glyph(unsigned char c);
  // Creates the OpenGL objects on the device; false on failure.
  bool create_gl();
  // Frees the OpenGL objects (when the device is still there) and forgets the device.
  void release_gl();
  void close_face();
};

namespace d3dx9 {

// Finds room for a w x h bitmap in the font's atlas, growing it (which moves the glyphs
// already there) when needed; false when it cannot fit at the largest size.
bool atlas_place(D3dxFontState* font, int w, int h, int* x, int* y);

// A line of text: bytes [begin, end) of the string, and its width in pixels.
struct TextLine {
  size_t begin = 0;
  size_t end = 0;
  int width = 0;
};

// Splits text at CR LF, LF or CR (unless single_line) and measures each line.
// A break at the very end starts no further line.
std::vector<TextLine> layout_lines(D3dxFontState* font, const char* text, size_t length, bool single_line);

// The Unicode character an ANSI (Windows-1252) byte stands for.
unsigned long ansi_to_unicode(unsigned char c);

// Draws laid-out lines, each line's cell starting at its (x, y), in one draw call,
// clipped to `clip` when not null. The lines' glyphs are already in the atlas (layout
// loads them), so the atlas does not move while the quads are built.
struct PlacedLine {
  const TextLine* line;
  int x, y;
};
bool draw_lines(D3dxFontState* font, const char* text, const std::vector<PlacedLine>& lines, const RECT* clip,
                D3DCOLOR color);

}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_FONT_INTERNAL_H
