#include "frame_capture.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

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

bool save_pixels_png(const std::string& path, int width, int height, const std::vector<DWORD>& pixels,
                     std::string* error) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) {
    if (error) *error = path + ": no picture to save";
    return false;
  }
  std::vector<unsigned char> rgb;
  rgb.reserve(pixels.size() * 3);
  for (DWORD p : pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  errno = 0;  // stb reports only failure; the C library's reason, when there is one, says why
  if (!stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3)) {
    const std::string why = errno ? std::string(" (") + std::strerror(errno) + ")" : "";
    if (error) *error = path + ": cannot write the PNG" + why;
    return false;
  }
  return true;
}

bool save_frame_png(const std::string& path, std::string* error) {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
  if (!read_frame(&width, &height, &pixels)) {
    if (error) *error = path + ": there is no back buffer to save";
    return false;
  }
  return save_pixels_png(path, width, height, pixels, error);
}

bool make_output_directory(const std::string& dir, std::string* error) {
  std::error_code made, checked;
  std::filesystem::create_directories(dir, made);  // an existing directory is no error
  if (std::filesystem::is_directory(dir, checked)) return true;
  if (error) {
    const std::string why = made ? made.message() : checked ? checked.message() : "not a directory";
    *error = dir + ": cannot make the directory (" + why + ")";
  }
  return false;
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
