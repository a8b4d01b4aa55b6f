// D3DX texture loading: PNG and BMP files at their own pixel size.
#ifndef VORNEX_PLATFORM_D3DX9TEX_H
#define VORNEX_PLATFORM_D3DX9TEX_H

#include "d3d9.h"

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
enum _D3DXERR {
  D3DXERR_INVALIDMESH = MAKE_DDHRESULT(2901),
  D3DXERR_INVALIDDATA = MAKE_DDHRESULT(2905),
};

// The file name may use backslashes. A missing file fails with the Win32 "file not
// found" result; a damaged one with D3DXERR_INVALIDDATA.
HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* srcfile,
                                          IDirect3DTexture9** texture);

#endif  // VORNEX_PLATFORM_D3DX9TEX_H
