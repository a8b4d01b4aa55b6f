#include "gfx/vertex.h"

#include <cstring>

#include "gfx/device.h"

IDirect3DVertexBuffer9* make_vertex_buffer(const FlexVertex* vertices, UINT count) {
  if (!g_pd3d_render) return nullptr;
  const UINT length = count * static_cast<UINT>(sizeof(FlexVertex));
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (FAILED(g_pd3d_render->CreateVertexBuffer(length, 0, kFlexVertexFvf, D3DPOOL_DEFAULT, &buffer, nullptr)))
    return nullptr;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, length, &data, 0))) {
    buffer->Release();
    return nullptr;
  }
  std::memcpy(data, vertices, length);
  buffer->Unlock();
  return buffer;
}
