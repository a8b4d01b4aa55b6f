// Textures of the scene and the effects: two tiling plasma patterns, the soft particle sprite and
// the sky.
#include "textures.h"

#include <algorithm>
#include <cmath>

#include "image.h"
#include "noise.h"
#include "paint.h"

namespace {

using namespace palette;
constexpr float kTau = 6.2831853f;

// Hot filaments of energy over a dark ember glow; tiles seamlessly (all noise is periodic).
Image plasma_filaments(int size) {
  Image img(size, size);
  const int period = 4;
  fill(img, [&](float x, float y) {
    const float px = x * period, py = y * period;
    const float wx = fractal_noise(px, py, period, 3, 101),
                wy = fractal_noise(px + 7.3f, py + 2.9f, period, 3, 202);
    const float n = fractal_noise(px + 2.0f * wx, py + 2.0f * wy, period, 4, 303);
    const float ridge = 1 - std::fabs(2 * n - 1);
    const float filament = std::pow(ridge, 6.0f);
    const float haze = fractal_noise(px * 0.5f, py * 0.5f, period / 2, 2, 404);
    Color c = mix(rgb(0x2A0A10), rgb(0x8A2A10), haze);
    c = mix(c, kEmber, smoothstep(0.15f, 0.6f, filament));
    return mix(c, kHot, smoothstep(0.55f, 1.0f, filament));
  });
  return img;
}

// Interfering waves in violet, teal and pale cyan; tiles seamlessly (whole periods only).
Image plasma_waves(int size) {
  Image img(size, size);
  fill(img, [&](float x, float y) {
    const float v = std::sin(kTau * (2 * x + 0.35f * std::sin(kTau * y))) +
                    std::sin(kTau * (3 * y + 0.35f * std::sin(kTau * 2 * x))) + std::sin(kTau * (x + y) * 2) +
                    0.6f * std::sin(kTau * (x - 2 * y) * 1);
    const float k = 0.5f + 0.5f * std::sin(v * 2.2f);
    Color c = mix(rgb(0x1A0C33), kViolet, smoothstep(0.0f, 0.4f, k));
    c = mix(c, kTeal, smoothstep(0.45f, 0.85f, k));
    return mix(c, rgb(0xD8FFFA), smoothstep(0.88f, 1.0f, k));
  });
  return img;
}

// A round glow for particles: white-hot centre, plasma orange rim, alpha falling to 0 at the edge.
Image blur_part(int size) {
  Image img(size, size);
  fill(img, [&](float x, float y) {
    const float r = std::min(1.0f, std::hypot(x - 0.5f, y - 0.5f) * 2);
    const float a = (1 - r * r) * (1 - r * r);
    return with_alpha(mix(kHot, kEmber, smoothstep(0.0f, 0.8f, r)), a);
  });
  return img;
}

// The sky. The sky cube shows the upper-left quarter on its top, bottom and the two faces at
// x = +1 and -1 (turned a quarter), the upper-right quarter on the face at z = -1 and the lower-left
// quarter on the face at z = +1 (horizon across each quarter's middle row). So the upper-left
// quarter is a starry night sky with no direction, the two side quarters carry a horizon glow that
// fades out towards their edges, and every quarter's border has the same plain night colour, so the
// faces meet without a seam.
constexpr Color kSkyBase = rgb(0x1B1233);

// Night sky at (fx, fy) in 0..1 of a quarter: faint nebula and stars, plain at the border.
Color night(float fx, float fy, int seed) {
  const float border = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
  const float inner = smoothstep(0.02f, 0.2f, border);
  const float cloud = fractal_noise(fx * 6, fy * 6, 6, 4, seed);
  Color c = mix(kSkyBase, rgb(0x3A2060), smoothstep(0.5f, 0.85f, cloud) * 0.55f * inner);
  c = mix(c, rgb(0x1E3A5A),
          smoothstep(0.6f, 0.9f, fractal_noise(fx * 4 + 3, fy * 4 + 1, 4, 3, seed + 9)) * 0.4f * inner);
  // Stars: one candidate per cell of a 48 x 48 grid, kept off the border.
  const int cells = 48;
  const int cx = static_cast<int>(fx * cells), cy = static_cast<int>(fy * cells);
  if (hash01(cx, cy, seed + 1) > 0.72f && border > 0.03f) {
    const float sx = (cx + 0.2f + 0.6f * hash01(cx, cy, seed + 2)) / cells;
    const float sy = (cy + 0.2f + 0.6f * hash01(cx, cy, seed + 3)) / cells;
    const float size = 0.0012f + 0.0022f * hash01(cx, cy, seed + 4);
    const float d = std::hypot(fx - sx, fy - sy);
    const float star = 1 - smoothstep(size * 0.3f, size, d);
    c = mix(c, mix(rgb(0xFFF4E0), rgb(0xBFEFFF), hash01(cx, cy, seed + 5)), star);
  }
  return c;
}

// A side face: night above, a glow on the horizon (fy = 0.5) strongest in the middle, a mountain
// line and dark land below. `sunset` picks the warm glow with a setting sun, else a teal one.
Color horizon_face(float fx, float fy, bool sunset, int seed) {
  const float across = 1 - smoothstep(0.22f, 0.48f, std::fabs(fx - 0.5f));  // 0 at the side edges
  const float e = fy / 0.5f;                                                // 0 at the top, 1 at the horizon
  Color glowColour = sunset ? kEmber : kTeal;
  Color mid = sunset ? kDusk : rgb(0x1F5A70);
  Color sky = mix(kViolet, mid, smoothstep(0.3f, 0.8f, e));
  sky = mix(sky, glowColour, smoothstep(0.65f, 1.0f, e) * 0.9f);
  const float rise = smoothstep(0.05f, 0.45f, fy) * (fy <= 0.5f ? 1.0f : 0.0f);
  Color c = mix(night(fx, fy, seed), sky, rise * across);
  if (sunset) {
    const float halo =
        std::exp(-std::hypot(fx - 0.5f, (fy - 0.47f) * 1.6f) * 9) * across * (fy <= 0.5f ? 1.0f : 0.0f);
    c = mix(c, rgb(0xFFB070), halo * 0.7f);
    const float sun = spot(fx, fy, 0.5f, 0.47f, 0.07f, 0.01f) * across;
    c = mix(c, rgb(0xFFD38A), sun);
    c = mix(c, kHot, spot(fx, fy, 0.5f, 0.47f, 0.045f, 0.02f) * across);
  }
  // Distant ridges standing on the horizon, lower towards the edges of the glow.
  const float ridge = 0.5f - across * (0.015f + 0.035f * fractal_noise(fx * 8, 0.5f, 8, 3, seed + 7));
  const float land = smoothstep(ridge - 0.002f, ridge + 0.002f, fy);
  const Color ground = mix(rgb(0x120A1E), kSkyBase, smoothstep(0.55f, 0.98f, fy));
  c = mix(c, mix(kSkyBase, ground, across), land);
  // The glow hangs over the land a little, as haze.
  const float haze = land * across * (1 - smoothstep(0.5f, 0.6f, fy));
  return mix(c, glowColour, haze * 0.25f);
}

Image skybox(int size) {
  Image img(size, size);
  const int half = size / 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float fx = ((x % half) + 0.5f) / half, fy = ((y % half) + 0.5f) / half;
      const bool right = x >= half, lower = y >= half;
      Color c;
      if (right && !lower)
        c = horizon_face(fx, fy, true, 601);
      else if (!right && lower)
        c = horizon_face(fx, fy, false, 602);
      else
        c = night(fx, fy, right ? 603 : 604);
      img.at(x, y) = c;
    }
  return img;
}

}  // namespace

bool make_textures(const std::string& dir, std::string* error) {
  return write_png(dir + "/Plasma1.png", plasma_filaments(256), error) &&
         write_png(dir + "/Plasma2.png", plasma_waves(256), error) &&
         write_png(dir + "/BlurPart.png", blur_part(64), error) &&
         write_png(dir + "/Skybox.png", skybox(512), error);
}
