// Looking at what the device does, for tests and tools: the draws it issues and the
// pixels of its back buffer. Not part of Direct3D; the game never includes this.
#ifndef VORNEX_PLATFORM_D3D9_INSPECT_H
#define VORNEX_PLATFORM_D3D9_INSPECT_H

#include <d3d9.h>

#include <vector>

// A draw, or a Clear (clearFlags non-zero, the draw fields unset).
struct D3d9DrawRecord {
  DWORD clearFlags;
  D3DPRIMITIVETYPE type;
  UINT startVertex;
  UINT primitiveCount;
  bool indexed;  // a mesh subset
  int subset;    // the mesh subset drawn; -1 for DrawPrimitive
  D3DMATRIX world;  // through an effect: the effect's "World" parameter
  D3DMATRIX view;
  D3DMATRIX projection;
  IDirect3DBaseTexture9* texture0;
  IDirect3DVertexBuffer9* stream;  // null for a mesh subset
  DWORD fvf;
  bool throughEffect;    // an effect pass was active
  const void* program;  // which program drew: the same value for the same effect pass
};

// Every draw and Clear that reaches the device from now on is appended to `sink`; null stops.
void d3d9_record_draws(IDirect3DDevice9* device, std::vector<D3d9DrawRecord>* sink);

// The back buffer as 0xAARRGGBB values, rows top first.
bool d3d9_read_back_buffer(IDirect3DDevice9* device, int* width, int* height, std::vector<DWORD>* pixels);

#endif  // VORNEX_PLATFORM_D3D9_INSPECT_H
