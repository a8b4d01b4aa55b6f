#include "frame_capture.h"

#include <vector>

#include "d3d9/d3d9_inspect.h"
#include "gfx/device.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

bool read_frame(int* width, int* height, std::vector<DWORD>* pixels) {
  return g_pd3d_render && d3d9_read_back_buffer(g_pd3d_render, width, height, pixels);
}

}  // namespace

bool save_frame_png(const std::string& path, std::string* error) {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
  if (!read_frame(&width, &height, &pixels)) {
    if (error) *error = path + ": there is no back buffer to save";
    return false;
  }
  std::vector<unsigned char> rgb;
  rgb.reserve(pixels.size() * 3);
  for (DWORD p : pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  if (!stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3)) {
    if (error) *error = path + ": cannot write the PNG";
    return false;
  }
  return true;
}

uint64_t fold_frame_digest(uint64_t digest) {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
  if (!read_frame(&width, &height, &pixels)) return digest;
  for (DWORD p : pixels)
    for (int shift = 0; shift < 32; shift += 8) {
      digest ^= (p >> shift) & 0xFF;
      digest *= 1099511628211ull;
    }
  return digest;
}
