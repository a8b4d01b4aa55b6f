#include "ground.h"

#include <cmath>

// Packed earth with small stones: a value-noise pattern in browns, tiling seamlessly.
std::vector<std::uint32_t> make_ground(int size) {
  auto hash = [](int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
  };
  auto noise = [&](float x, float y, int period) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    auto at = [&](int i, int j) { return hash(((i % period) + period) % period, ((j % period) + period) % period); };
    float top = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx;
    float bottom = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx;
    return top * (1 - fy) + bottom * fy;
  };
  std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float n = 0.55f * noise(x / 8.0f, y / 8.0f, size / 8) + 0.3f * noise(x / 4.0f, y / 4.0f, size / 4) +
                0.15f * noise(x / 2.0f, y / 2.0f, size / 2);
      float stone = hash(x * 7 + 3, y * 13 + 5) > 0.985f ? 0.25f : 0.0f;
      float shade = 0.55f + 0.45f * n + stone;
      auto channel = [&](float base) {
        float v = base * shade;
        return static_cast<std::uint32_t>(v > 255.0f ? 255.0f : v);
      };
      pixels[static_cast<size_t>(y) * size + x] = (channel(120) << 16) | (channel(92) << 8) | channel(60);
    }
  }
  return pixels;
}
