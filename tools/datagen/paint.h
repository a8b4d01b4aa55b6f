// Painting helpers shared by the skins and textures: regions, panel seams, rivets, stripes and
// weathering, all functions of a position so that the results are exact and repeatable.
#ifndef VORNEX_TOOLS_PAINT_H
#define VORNEX_TOOLS_PAINT_H

#include <functional>

#include "image.h"
#include "mesh_builder.h"

// The colours of the game.
namespace palette {
constexpr Color kNight = rgb(0x140C24);
constexpr Color kViolet = rgb(0x3A1F5C);
constexpr Color kDusk = rgb(0x7A3B7A);
constexpr Color kEmber = rgb(0xFF8A3D);
constexpr Color kPlasma = rgb(0xFFB347);
constexpr Color kHot = rgb(0xFFF0C0);
constexpr Color kTeal = rgb(0x2EC4B6);
constexpr Color kDeepTeal = rgb(0x0F4C5C);
constexpr Color kGunmetal = rgb(0x4A4560);
constexpr Color kSteel = rgb(0x8A86A8);
constexpr Color kSoot = rgb(0x1E1B28);
constexpr Color kIvory = rgb(0xDCD6E4);
constexpr Color kHostile = rgb(0xFF5A2A);
}  // namespace palette

// Paints a skin region: colour(s, t) with s, t in 0..1 across the region (pixel centres).
void paint_region(Image& image, const UvRect& r, const std::function<Color(float s, float t)>& colour);

// 1 on a line of the given half width around `at` (in the same units as `x`), fading to 0.
float line(float x, float at, float halfWidth);
// 1 on the seams of a grid of `count` cells over 0..1, fading out over halfWidth.
float grid_seam(float x, int count, float halfWidth);
// 1 inside a disc, with a soft edge of `edge`.
float spot(float x, float y, float cx, float cy, float radius, float edge);
// Diagonal stripes: 1 on every other band of width `width`.
float stripes(float x, float y, float width);
// Weathering: a factor around 1 from fractal noise (amount = largest deviation).
float grime(float s, float t, float amount, int seed);

float smoothstep(float edge0, float edge1, float x);

#endif  // VORNEX_TOOLS_PAINT_H
