#include "bmp_writer.h"

#include <fstream>

namespace {
void put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}
}  // namespace

bool write_bmp24(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels,
                 std::string* error) {
  const std::uint32_t row = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;  // rows pad to 4 bytes
  const std::uint32_t data = row * static_cast<std::uint32_t>(height);
  std::string s = "BM";
  put32(s, 54 + data);
  put32(s, 0);
  put32(s, 54);
  put32(s, 40);
  put32(s, static_cast<std::uint32_t>(width));
  put32(s, static_cast<std::uint32_t>(height));  // positive: rows stored bottom up
  put16(s, 1);
  put16(s, 24);
  put32(s, 0);
  put32(s, data);
  put32(s, 2835);
  put32(s, 2835);
  put32(s, 0);
  put32(s, 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      s += static_cast<char>(p & 0xFF);
      s += static_cast<char>((p >> 8) & 0xFF);
      s += static_cast<char>((p >> 16) & 0xFF);
    }
    s.append(row - static_cast<std::uint32_t>(width) * 3, '\0');
  }
  std::ofstream out(path, std::ios::binary);
  out << s;
  if (!out) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}
