// The D3DX 9 font, for Linux, implemented in platform/d3dx9 on FreeType and fontconfig.
// Only DrawTextA is implemented; text is drawn straight through the device (sprites
// are not implemented, so the sprite argument must be null).
#ifndef VORNEX_PLATFORM_D3DX9CORE_H
#define VORNEX_PLATFORM_D3DX9CORE_H

#include "d3d9.h"

// DrawText format flags (Win32 declares them in winuser.h). Only these are implemented.
#ifndef DT_TOP
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#endif

// Font weights, character sets, precision, quality, pitch and family (Win32 declares
// them in wingdi.h). Weight and italic choose the face; the others are accepted and
// have no effect here.
#ifndef FW_DONTCARE
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900
#endif
#ifndef DEFAULT_CHARSET
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#endif
#ifndef OUT_DEFAULT_PRECIS
#define OUT_DEFAULT_PRECIS 0
#endif
#ifndef DEFAULT_QUALITY
#define DEFAULT_QUALITY 0
#endif
#ifndef DEFAULT_PITCH
#define DEFAULT_PITCH 0
#define FF_DONTCARE (0 << 4)
#endif

struct ID3DXSprite;  // never defined: sprites are not implemented
typedef ID3DXSprite* LPD3DXSPRITE;

struct D3dxFontState;  // the font's FreeType face, glyph atlas and OpenGL side

struct ID3DXFont : D3d9RefCounted {
  // Draws `pString` (Count bytes, or up to its NUL when Count is negative) in the
  // rectangle `pRect` of back-buffer pixels, in the ARGB colour `Color`, and returns
  // the height of the text in pixels (0 when nothing could be drawn). Draws only
  // between BeginScene and EndScene; DT_CALCRECT measures at any time.
  INT DrawTextA(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format, D3DCOLOR Color);
  ULONG Release();

  D3dxFontState* state;  // owned by the object

 private:
  friend struct D3dxFontState;
  ID3DXFont() : state(nullptr) {}
  ~ID3DXFont();
};
typedef ID3DXFont* LPD3DXFONT;

// Height: a positive value is the character cell height in pixels (ascent plus
// descent, as GDI's tmHeight), a negative one the character (em) height, 0 a cell of
// 16 pixels. Width 0 keeps the face's proportions; otherwise the average character
// width in pixels. The face resolves through fontconfig (family, weight, italic).
HRESULT WINAPI D3DXCreateFontA(LPDIRECT3DDEVICE9 pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels,
                               BOOL Italic, DWORD CharSet, DWORD OutputPrecision, DWORD Quality,
                               DWORD PitchAndFamily, LPCSTR pFaceName, LPD3DXFONT* ppFont);

#endif  // VORNEX_PLATFORM_D3DX9CORE_H
