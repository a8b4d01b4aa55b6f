#include <d3dx9.h>

#include <cstring>
#include <new>

ID3DXBuffer* ID3DXBuffer::create(DWORD size) {
  auto* buffer = new (std::nothrow) ID3DXBuffer;
  if (!buffer) return nullptr;
  try {
    buffer->bytes.assign(size, 0);
  } catch (const std::bad_alloc&) {
    delete buffer;
    return nullptr;
  }
  return buffer;
}

ID3DXBuffer* ID3DXBuffer::create_text(const char* text) {
  if (!text) text = "";
  size_t length = std::strlen(text);
  ID3DXBuffer* buffer = create(static_cast<DWORD>(length + 1));
  if (buffer) std::memcpy(buffer->bytes.data(), text, length + 1);
  return buffer;
}

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
  if (!ppBuffer) return D3DERR_INVALIDCALL;
  *ppBuffer = ID3DXBuffer::create(NumBytes);
  return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}
