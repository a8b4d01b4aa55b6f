// The device capabilities Direct3D reports, as far as VORNEX reads them.
#ifndef VORNEX_PLATFORM_D3D9CAPS_H
#define VORNEX_PLATFORM_D3D9CAPS_H

#include "d3d9types.h"

typedef struct _D3DCAPS9 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD Caps;
  DWORD Caps2;
  DWORD Caps3;
  DWORD PresentationIntervals;
  DWORD DevCaps;
  DWORD MaxTextureWidth;
  DWORD MaxTextureHeight;
  DWORD MaxPrimitiveCount;
  DWORD MaxVertexIndex;
  DWORD MaxStreams;
  DWORD MaxStreamStride;
  DWORD VertexShaderVersion;
  DWORD PixelShaderVersion;
  DWORD VertexProcessingCaps;  // non-zero where vertices are processed in hardware
} D3DCAPS9;

#define D3DDEVCAPS_HWTRANSFORMANDLIGHT 0x00010000L
#define D3DVTXPCAPS_TEXGEN 0x00000001L
#define D3DPRESENT_INTERVAL_ONE_CAP 0x00000001L

#endif  // VORNEX_PLATFORM_D3D9CAPS_H
