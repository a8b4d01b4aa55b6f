// The one vertex layout of the game's vertex buffers: position, diffuse colour, one
// texture coordinate pair (the flexible vertex format XYZ | DIFFUSE | TEX1, 24 bytes).
#ifndef VORNEX_GFX_VERTEX_H
#define VORNEX_GFX_VERTEX_H

#include <d3d9.h>

struct FlexVertex {
  float x, y, z;
  D3DCOLOR color;  // 0xAARRGGBB
  float u, v;
};
static_assert(sizeof(FlexVertex) == 24, "the vertex layout is 24 bytes");

const DWORD kFlexVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x142

// A static vertex buffer holding `count` vertices; null when creating or locking fails.
IDirect3DVertexBuffer9* make_vertex_buffer(const FlexVertex* vertices, UINT count);

#endif  // VORNEX_GFX_VERTEX_H
