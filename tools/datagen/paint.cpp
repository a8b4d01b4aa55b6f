#include "paint.h"

#include <algorithm>
#include <cmath>

#include "noise.h"

void paint_region(Image& image, const UvRect& r, const std::function<Color(float s, float t)>& colour) {
  const int x0 = static_cast<int>(r.x0), x1 = static_cast<int>(r.x1);
  const int y0 = static_cast<int>(r.y0), y1 = static_cast<int>(r.y1);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      // The same mapping as the meshes' texture coordinates: s = 0 at the first pixel's centre.
      const float s = (x - x0) / static_cast<float>(x1 - x0 - 1);
      const float t = (y - y0) / static_cast<float>(y1 - y0 - 1);
      image.at(x, y) = colour(s, t);
    }
}

float smoothstep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

float line(float x, float at, float halfWidth) {
  return 1.0f - smoothstep(halfWidth * 0.5f, halfWidth, std::fabs(x - at));
}

float grid_seam(float x, int count, float halfWidth) {
  const float cell = x * count;
  const float d = std::fabs(cell - std::round(cell)) / count;
  return 1.0f - smoothstep(halfWidth * 0.5f, halfWidth, d);
}

float spot(float x, float y, float cx, float cy, float radius, float edge) {
  return 1.0f - smoothstep(radius - edge, radius, std::hypot(x - cx, y - cy));
}

float stripes(float x, float y, float width) {
  const float phase = (x + y) / width;
  const float f = phase - std::floor(phase);
  return smoothstep(0.45f, 0.5f, f) * (1.0f - smoothstep(0.95f, 1.0f, f));
}

float grime(float s, float t, float amount, int seed) {
  return 1.0f + amount * (2.0f * fractal_noise(s * 8, t * 8, 8, 3, seed) - 1.0f);
}
