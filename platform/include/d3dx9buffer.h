// ID3DXBuffer: a block of memory D3DX hands back (materials of a mesh, an effect
// compiler's messages). On Windows it is declared by d3dx9core.h; here it has a header of
// its own so that the mesh, effect and font headers can share it.
#ifndef VORNEX_PLATFORM_D3DX9BUFFER_H
#define VORNEX_PLATFORM_D3DX9BUFFER_H

#include <windows.h>

#include <vector>

struct ID3DXBuffer {
  LPVOID GetBufferPointer() { return bytes.empty() ? nullptr : bytes.data(); }
  DWORD GetBufferSize() { return static_cast<DWORD>(bytes.size()); }
  ULONG AddRef() { return ++refCount; }
  ULONG Release() {
    ULONG left = --refCount;
    if (left == 0) delete this;
    return left;
  }

  // A buffer of `size` zero bytes; null when the memory cannot be had.
  static ID3DXBuffer* create(DWORD size);
  // A buffer holding `text` and its terminating NUL.
  static ID3DXBuffer* create_text(const char* text);

 private:
  ID3DXBuffer() = default;
  ~ID3DXBuffer() = default;
  std::vector<BYTE> bytes;
  ULONG refCount = 1;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

#endif  // VORNEX_PLATFORM_D3DX9BUFFER_H
