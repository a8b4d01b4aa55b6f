// Vertex buffers and textures. A vertex buffer keeps its contents for Lock and sends
// them to OpenGL once, at Unlock, so a static buffer is drawn every frame without being
// sent again. Resources still alive when their device goes lose their OpenGL side and
// are freed by their own Release later.
#include <new>

#include "d3d9_internal.h"

// ---- vertex buffers ----

IDirect3DVertexBuffer9* D3d9BufferState::create(D3d9DeviceState* device, UINT length, DWORD fvf, GLenum target) {
  auto* state = new (std::nothrow) D3d9BufferState;
  if (!state) return nullptr;
  try {
    state->data.assign(length, 0);
  } catch (const std::bad_alloc&) {
    delete state;
    return nullptr;
  }
  state->device = device;
  state->fvf = fvf;
  state->target = target;
  device->make_current();
  glGenBuffers(1, &state->name);
  glBindBuffer(target, state->name);
  glBufferData(target, static_cast<GLsizeiptr>(length), state->data.data(), GL_STATIC_DRAW);
  device->buffers.insert(state);
  auto* buffer = new IDirect3DVertexBuffer9;
  buffer->state = state;
  return buffer;
}

void D3d9BufferState::release_gl() {
  if (device && name) {
    device->make_current();
    glDeleteBuffers(1, &name);
  }
  name = 0;
  device = nullptr;
}

IDirect3DVertexBuffer9::~IDirect3DVertexBuffer9() {
  if (state->device) {
    state->device->buffers.erase(state);
    if (state->device->stream == this) state->device->stream = nullptr;
  }
  state->release_gl();
  delete state;
}

ULONG IDirect3DVertexBuffer9::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}

// SizeToLock 0 locks from the offset to the end, as Direct3D does.
HRESULT IDirect3DVertexBuffer9::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD) {
  if (!ppbData) return D3DERR_INVALIDCALL;
  *ppbData = nullptr;
  const UINT length = static_cast<UINT>(state->data.size());
  if (state->locked || OffsetToLock > length) return D3DERR_INVALIDCALL;
  UINT size = SizeToLock == 0 ? length - OffsetToLock : SizeToLock;
  if (size > length - OffsetToLock) return D3DERR_INVALIDCALL;
  state->locked = true;
  state->lockBegin = OffsetToLock;
  state->lockEnd = OffsetToLock + size;
  *ppbData = state->data.data() + OffsetToLock;
  return D3D_OK;
}

HRESULT IDirect3DVertexBuffer9::Unlock() {
  if (!state->locked) return D3DERR_INVALIDCALL;
  state->locked = false;
  if (state->device && state->name && state->lockEnd > state->lockBegin) {
    state->device->make_current();
    glBindBuffer(state->target, state->name);
    glBufferSubData(state->target, state->lockBegin, state->lockEnd - state->lockBegin,
                    state->data.data() + state->lockBegin);
  }
  return D3D_OK;
}

// ---- textures ----

IDirect3DTexture9* D3d9TextureState::create_rgba(IDirect3DDevice9* device, int width, int height,
                                                 const std::uint8_t* rgba) {
  if (!device || !device->state || !device->state->context || width <= 0 || height <= 0 || !rgba)
    return nullptr;
  D3d9DeviceState* dev = device->state;
  auto* state = new D3d9TextureState;
  state->device = dev;
  state->width = width;
  state->height = height;
  dev->make_current();
  glGenTextures(1, &state->name);
  glBindTexture(GL_TEXTURE_2D, state->name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Row 0 of the image goes to t = 0, so v = 0 samples the image's top row.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  dev->textureStates.insert(state);
  auto* texture = new IDirect3DTexture9;
  texture->state = state;
  return texture;
}

void D3d9TextureState::release_gl() {
  if (device && name) {
    device->make_current();
    glDeleteTextures(1, &name);
  }
  name = 0;
  device = nullptr;
}

IDirect3DTexture9::~IDirect3DTexture9() {
  if (state->device) {
    state->device->textureStates.erase(state);
    for (auto& bound : state->device->textures)
      if (bound == this) bound = nullptr;
  }
  state->release_gl();
  delete state;
}

ULONG IDirect3DTexture9::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}
