#include "image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "file_out.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {
float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
}  // namespace

float Mask::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
  return value[static_cast<size_t>(y) * width + x];
}

void Mask::limit(int left, int top, int right, int bottom) {
  x0 = std::clamp(left, 0, width);
  y0 = std::clamp(top, 0, height);
  x1 = std::clamp(right, x0, width);
  y1 = std::clamp(bottom, y0, height);
}

void Mask::fit() {
  int left = width, top = height, right = 0, bottom = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (value[static_cast<size_t>(y) * width + x] > 0) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
      }
  limit(left, top, right, bottom);
}

Image::Image(int w, int h, Color fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

Color Image::sample(float x, float y) const {
  x -= 0.5f;
  y -= 0.5f;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const float fx = x - x0, fy = y - y0;
  auto px = [&](int i, int j) {
    i = std::clamp(i, 0, width - 1);
    j = std::clamp(j, 0, height - 1);
    return at(i, j);
  };
  return mix(mix(px(x0, y0), px(x0 + 1, y0), fx), mix(px(x0, y0 + 1), px(x0 + 1, y0 + 1), fx), fy);
}

void blend(Image& image, int x, int y, Color c, float coverage) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  const float a = clamp01(c.a * coverage);
  if (a <= 0.0f) return;
  Color& d = image.at(x, y);
  const float outA = a + d.a * (1 - a);
  if (outA <= 0.0f) return;
  d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
  d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
  d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
  d.a = outA;
}

void add_light(Image& image, int x, int y, Color c, float coverage) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  const float k = c.a * coverage;
  if (k <= 0.0f) return;
  // Premultiplied sum, then back to straight alpha.
  Color& d = image.at(x, y);
  const float outA = std::min(1.0f, d.a + k);
  if (outA <= 0.0f) return;
  d.r = std::min(1.0f, (d.r * d.a + c.r * k) / outA);
  d.g = std::min(1.0f, (d.g * d.a + c.g * k) / outA);
  d.b = std::min(1.0f, (d.b * d.a + c.b * k) / outA);
  d.a = outA;
}

void fill(Image& image, const std::function<Color(float, float)>& colour) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      image.at(x, y) = colour((x + 0.5f) / image.width, (y + 0.5f) / image.height);
}

Mask disc_mask(int w, int h, float cx, float cy, float radius, float softness) {
  Mask m(w, h);
  const int x0 = std::max(0, static_cast<int>(cx - radius - softness - 1));
  const int x1 = std::min(w - 1, static_cast<int>(cx + radius + softness + 1));
  const int y0 = std::max(0, static_cast<int>(cy - radius - softness - 1));
  const int y1 = std::min(h - 1, static_cast<int>(cy + radius + softness + 1));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      m.ref(x, y) = clamp01((radius - d) / softness + 0.5f);
    }
  m.limit(x0, y0, x1 + 1, y1 + 1);
  return m;
}

Mask rounded_rect_mask(int w, int h, float x0, float y0, float x1, float y1, float radius) {
  Mask m(w, h);
  const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
  m.limit(static_cast<int>(std::floor(x0)) - 1, static_cast<int>(std::floor(y0)) - 1,
          static_cast<int>(std::ceil(x1)) + 1, static_cast<int>(std::ceil(y1)) + 1);
  for (int y = m.y0; y < m.y1; ++y)
    for (int x = m.x0; x < m.x1; ++x) {
      const float qx = std::fabs(x + 0.5f - cx) - hx, qy = std::fabs(y + 0.5f - cy) - hy;
      const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
      const float d = outside + std::min(std::max(qx, qy), 0.0f) - radius;
      m.ref(x, y) = clamp01(0.5f - d);
    }
  return m;
}

Mask polygon_mask(int w, int h, const std::vector<float>& xy) {
  Mask m(w, h);
  const size_t n = xy.size() / 2;
  float left = xy[0], right = xy[0], top = xy[1], bottom = xy[1];
  for (size_t i = 0; i < n; ++i) {
    left = std::min(left, xy[2 * i]);
    right = std::max(right, xy[2 * i]);
    top = std::min(top, xy[2 * i + 1]);
    bottom = std::max(bottom, xy[2 * i + 1]);
  }
  m.limit(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)),
          static_cast<int>(std::ceil(right)) + 1, static_cast<int>(std::ceil(bottom)) + 1);
  std::vector<float> crossings;
  for (int y = m.y0; y < m.y1; ++y) {
    for (int sub = 0; sub < 4; ++sub) {
      const float sy = y + (sub + 0.5f) / 4;
      crossings.clear();
      for (size_t i = 0; i < n; ++i) {
        const float ax = xy[2 * i], ay = xy[2 * i + 1];
        const float bx = xy[2 * ((i + 1) % n)], by = xy[2 * ((i + 1) % n) + 1];
        if ((ay <= sy) != (by <= sy)) crossings.push_back(ax + (sy - ay) / (by - ay) * (bx - ax));
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
        const int from = std::max(0, static_cast<int>(std::floor(crossings[k])));
        const int to = std::min(w - 1, static_cast<int>(std::floor(crossings[k + 1])));
        for (int x = from; x <= to; ++x)
          for (int sx = 0; sx < 4; ++sx) {
            const float px = x + (sx + 0.5f) / 4;
            if (px >= crossings[k] && px < crossings[k + 1]) m.ref(x, y) += 1.0f / 16;
          }
      }
    }
  }
  return m;
}

Mask skyline_mask(int w, int h, const std::function<float(float)>& top) {
  Mask m(w, h);
  for (int x = 0; x < w; ++x)
    for (int sx = 0; sx < 4; ++sx) {
      const float t = top(x + (sx + 0.5f) / 4);
      for (int y = std::max(0, static_cast<int>(std::floor(t))); y < h; ++y)
        m.ref(x, y) += clamp01(y + 1 - t) / 4;
    }
  return m;
}

Mask shifted(const Mask& m, int dx, int dy) {
  Mask out(m.width, m.height);
  out.limit(m.x0 + dx, m.y0 + dy, m.x1 + dx, m.y1 + dy);
  for (int y = out.y0; y < out.y1; ++y)
    for (int x = out.x0; x < out.x1; ++x) out.ref(x, y) = m.at(x - dx, y - dy);
  return out;
}

Mask dilated(const Mask& m, float radius) {
  Mask out(m.width, m.height);
  const int r = static_cast<int>(std::ceil(radius + 0.5f));
  out.limit(m.x0 - r, m.y0 - r, m.x1 + r, m.y1 + r);
  for (int y = out.y0; y < out.y1; ++y)
    for (int x = out.x0; x < out.x1; ++x) {
      float best = 0;
      for (int oy = -r; oy <= r; ++oy)
        for (int ox = -r; ox <= r; ++ox) {
          const float v = m.at(x + ox, y + oy);
          if (v <= best) continue;
          const float weight =
              clamp01(radius + 0.5f - std::hypot(static_cast<float>(ox), static_cast<float>(oy)));
          best = std::max(best, v * weight);
        }
      out.ref(x, y) = best;
    }
  return out;
}

Mask blurred(const Mask& m, int radius) {
  // Three box passes each way, each spreading the coverage by the radius; running sums keep the
  // cost independent of the radius.
  Mask a = m, b(m.width, m.height);
  const float scale = 1.0f / (2 * radius + 1);
  for (int pass = 0; pass < 3; ++pass) {
    a.limit(a.x0 - radius, a.y0 - radius, a.x1 + radius, a.y1 + radius);
    b.limit(a.x0, a.y0, a.x1, a.y1);
    for (int y = a.y0; y < a.y1; ++y) {
      float sum = 0;
      for (int k = -radius; k < radius; ++k) sum += a.at(a.x0 + k, y);
      for (int x = a.x0; x < a.x1; ++x) {
        sum += a.at(x + radius, y);
        b.ref(x, y) = sum * scale;
        sum -= a.at(x - radius, y);
      }
    }
    for (int x = a.x0; x < a.x1; ++x) {
      float sum = 0;
      for (int k = -radius; k < radius; ++k) sum += b.at(x, a.y0 + k);
      for (int y = a.y0; y < a.y1; ++y) {
        sum += b.at(x, y + radius);
        a.ref(x, y) = sum * scale;
        sum -= b.at(x, y - radius);
      }
    }
  }
  return a;
}

void paint(Image& image, const Mask& m, Color c) {
  for (int y = m.y0; y < m.y1; ++y)
    for (int x = m.x0; x < m.x1; ++x)
      if (m.at(x, y) > 0) blend(image, x, y, c, m.at(x, y));
}

void paint(Image& image, const Mask& m, const std::function<Color(int, int)>& colour) {
  for (int y = m.y0; y < m.y1; ++y)
    for (int x = m.x0; x < m.x1; ++x)
      if (m.at(x, y) > 0) blend(image, x, y, colour(x, y), m.at(x, y));
}

void glow(Image& image, const Mask& m, Color c) {
  for (int y = m.y0; y < m.y1; ++y)
    for (int x = m.x0; x < m.x1; ++x)
      if (m.at(x, y) > 0) add_light(image, x, y, c, m.at(x, y));
}

Image padded(const Image& picture, int texW, int texH) {
  Image out(texW, texH);
  for (int y = 0; y < texH; ++y)
    for (int x = 0; x < texW; ++x)
      out.at(x, y) = picture.at(std::min(x, picture.width - 1), std::min(y, picture.height - 1));
  return out;
}

bool write_png(const std::string& path, const Image& image, std::string* error) {
  std::vector<unsigned char> rgba(image.pixels.size() * 4);
  auto byte = [](float v) { return static_cast<unsigned char>(clamp01(v) * 255.0f + 0.5f); };
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const Color& c = image.pixels[i];
    rgba[4 * i + 0] = byte(c.r);
    rgba[4 * i + 1] = byte(c.g);
    rgba[4 * i + 2] = byte(c.b);
    rgba[4 * i + 3] = byte(c.a);
  }
  // Light compression: the generator runs on every build, and level 8 costs several times more
  // time for files only a little smaller.
  stbi_write_png_compression_level = 3;
  std::string bytes;
  auto append = [](void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
  };
  if (!stbi_write_png_to_func(append, &bytes, image.width, image.height, 4, rgba.data(), image.width * 4)) {
    *error = "cannot encode " + path;
    return false;
  }
  return write_file(path, bytes, error);
}
