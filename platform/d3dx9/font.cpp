// ID3DXFont: creation, layout and DrawTextA. Characters are the bytes of the string
// (Windows-1252); lines break at CR LF, LF or CR unless DT_SINGLELINE; no word wrapping,
// tab expansion or '&' prefixes. A line is as high as the font's cell, and a character
// advances the pen by its whole-pixel advance width (no kerning), as GDI lays text out.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "font_internal.h"

namespace {

// Sizes beyond this are refused: glyphs that large could not be cached.
const int kMaxFontPixels = 2048;

// Called by the device as it goes, with the font still alive.
void orphan_font(void* font) { static_cast<D3dxFontState*>(font)->release_gl(); }

}  // namespace

namespace d3dx9 {

std::vector<TextLine> layout_lines(D3dxFontState* font, const char* text, size_t length, bool single_line) {
  std::vector<TextLine> lines;
  TextLine line;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (!single_line && (c == '\n' || c == '\r')) {
      line.end = i;
      lines.push_back(line);
      if (c == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
      line = TextLine{};
      line.begin = i + 1;
      continue;
    }
    line.width += font->glyph(static_cast<unsigned char>(c)).advance;
  }
  if (line.begin < length) {
    line.end = length;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace d3dx9

HRESULT WINAPI D3DXCreateFontA(LPDIRECT3DDEVICE9 pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels,
                               BOOL Italic, DWORD CharSet, DWORD OutputPrecision, DWORD Quality,
                               DWORD PitchAndFamily, LPCSTR pFaceName, LPD3DXFONT* ppFont) {
  if (!ppFont) return D3DERR_INVALIDCALL;
  *ppFont = nullptr;
  if (!pDevice || !pDevice->state || !pDevice->state->context) return D3DERR_INVALIDCALL;
  if (Height < -kMaxFontPixels || Height > kMaxFontPixels || Width > static_cast<UINT>(kMaxFontPixels))
    return D3DERR_INVALIDCALL;

  const std::string face_name = pFaceName ? pFaceName : "";
  d3dx9::FontFile file;
  if (!d3dx9::find_font_file(face_name, Weight, Italic != FALSE, &file)) {
    std::fprintf(stderr, "VORNEX: no font file at all for the face \"%s\"\n", face_name.c_str());
    return E_FAIL;
  }
  auto* state = new D3dxFontState;
  state->file = file;
  if (!d3dx9::open_face(state, Height, Width)) {
    std::fprintf(stderr, "VORNEX: the font file %s for the face \"%s\" cannot be used\n", file.path.c_str(),
                 face_name.c_str());
    state->close_face();
    delete state;
    return E_FAIL;
  }
  state->device = pDevice->state;
  if (!state->create_gl()) {
    state->release_gl();
    state->close_face();
    delete state;
    return D3DERR_NOTAVAILABLE;
  }
  pDevice->state->dependents[state] = &orphan_font;
  *ppFont = D3dxFontState::make_interface(state);
  return D3D_OK;
}

ID3DXFont* D3dxFontState::make_interface(D3dxFontState* state) {
  auto* font = new ID3DXFont;
  font->state = state;
  return font;
}

ID3DXFont::~ID3DXFont() {
  if (state->device) state->device->dependents.erase(state);
  state->release_gl();
  state->close_face();
  delete state;
}

ULONG ID3DXFont::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}

// The height returned is the text's (lines x cell height); with DT_VCENTER or DT_BOTTOM
// it is the distance from the rectangle's top to the text's bottom, as in GDI. The
// alignment flags apply to every line. A null rectangle puts the text at (0, 0),
// unclipped. DT_CALCRECT keeps the rectangle's left and top and sets its right and
// bottom to the text's extent.
INT ID3DXFont::DrawTextA(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format,
                         D3DCOLOR Color) {
  if (pSprite || !pString || !state->face) return 0;
  const size_t length = Count < 0 ? std::strlen(pString) : strnlen(pString, static_cast<size_t>(Count));
  const bool measure_only = (Format & DT_CALCRECT) != 0;
  // Direct3D draws only inside a scene.
  if (!measure_only && !(state->device && state->device->inScene)) return 0;

  std::vector<d3dx9::TextLine> lines =
      d3dx9::layout_lines(state, pString, length, (Format & DT_SINGLELINE) != 0);
  const int text_height = static_cast<int>(lines.size()) * state->line_height();
  const RECT rect = pRect ? *pRect : RECT{0, 0, 0, 0};

  if (measure_only) {
    int widest = 0;
    for (const d3dx9::TextLine& line : lines) widest = std::max(widest, line.width);
    if (pRect) {
      pRect->right = pRect->left + widest;
      pRect->bottom = pRect->top + text_height;
    }
    return text_height;
  }
  if (lines.empty()) return 0;

  int y = rect.top;
  if (Format & DT_VCENTER)
    y = rect.top + (rect.bottom - rect.top - text_height) / 2;
  else if (Format & DT_BOTTOM)
    y = rect.bottom - text_height;
  std::vector<d3dx9::PlacedLine> placed;
  for (size_t i = 0; i < lines.size(); ++i) {
    int x = rect.left;
    if (Format & DT_CENTER)
      x = rect.left + (rect.right - rect.left - lines[i].width) / 2;
    else if (Format & DT_RIGHT)
      x = rect.right - lines[i].width;
    placed.push_back({&lines[i], x, y + static_cast<int>(i) * state->line_height()});
  }
  const bool clip = pRect && !(Format & DT_NOCLIP);
  if (!d3dx9::draw_lines(state, pString, placed, clip ? &rect : nullptr, Color)) return 0;
  return (Format & (DT_VCENTER | DT_BOTTOM)) ? y - rect.top + text_height : text_height;
}
