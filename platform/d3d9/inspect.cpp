#include "d3d9_inspect.h"

#include "d3d9_internal.h"

void d3d9_record_draws(IDirect3DDevice9* device, std::vector<D3d9DrawRecord>* sink) {
  if (device && device->state) device->state->recorder = sink;
}

bool d3d9_read_back_buffer(IDirect3DDevice9* device, int* width, int* height, std::vector<DWORD>* pixels) {
  if (!device || !device->state || !device->state->context) return false;
  D3d9DeviceState* s = device->state;
  s->make_current();
  const int w = s->backBufferWidth;
  const int h = s->backBufferHeight;
  std::vector<std::uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  glBindFramebuffer(GL_FRAMEBUFFER, s->framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  pixels->assign(static_cast<size_t>(w) * h, 0);
  // OpenGL's rows start at the bottom.
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = rgba.data() + static_cast<size_t>(h - 1 - y) * w * 4;
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = row + x * 4;
      (*pixels)[static_cast<size_t>(y) * w + x] = (DWORD(p[3]) << 24) | (DWORD(p[0]) << 16) | (DWORD(p[1]) << 8) | p[2];
    }
  }
  *width = w;
  *height = h;
  return true;
}
