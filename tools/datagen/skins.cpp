// The model skins, painted region by region to the layout the meshes map into (skin_layout.h).
// Texture coordinates of tubes run u around (u = 0.25 is the upper side of a limb) and v along the
// tube; boxes show a whole region on each face; ellipsoids run v from top to bottom.
#include "skins.h"

#include <algorithm>
#include <cmath>

#include "image.h"
#include "paint.h"
#include "skin_layout.h"

namespace {

using namespace palette;

// Light from above on a tube: brighter on its upper side (u = 0.25), darker below.
float tube_light(float u) { return 0.72f + 0.38f * std::sin(u * 6.2831853f); }

// Armour: a base colour with plate seams, bevel highlights, rivets at the plate corners and grime.
Color armour(float s, float t, Color base, int cellsX, int cellsY, int seed) {
  const float seam = std::max(grid_seam(s, cellsX, 0.012f), grid_seam(t, cellsY, 0.012f));
  // Bevel: the upper-left edge of each plate catches the light.
  const float fs = s * cellsX - std::floor(s * cellsX), ft = t * cellsY - std::floor(t * cellsY);
  const float bevel = (1 - smoothstep(0.02f, 0.08f, fs)) * 0.5f + (1 - smoothstep(0.02f, 0.08f, ft)) * 0.5f;
  float rivet = 0;
  for (float cx : {0.1f, 0.9f})
    for (float cy : {0.12f, 0.88f}) rivet = std::max(rivet, spot(fs, ft, cx, cy, 0.045f, 0.02f));
  Color c = shade(base, grime(s, t, 0.08f, seed));
  c = mix(c, shade(base, 1.35f), bevel * 0.5f);
  c = mix(c, shade(base, 1.6f), rivet * 0.7f);
  return mix(c, kSoot, seam * 0.8f);
}

// A glowing region: hot in the middle of t, the colour towards the edges.
Color glow_band(float t, Color edge, Color core) {
  const float k = 1 - std::fabs(t - 0.5f) * 2;
  return mix(edge, core, smoothstep(0.2f, 0.9f, k));
}

// Metal rod for legs and barrels: lit from above, with rings at the given places along v.
Color rod(float s, float t, Color base, std::initializer_list<float> rings, int seed) {
  float ring = 0;
  for (float at : rings) ring = std::max(ring, line(t, at, 0.03f));
  Color c = shade(base, tube_light(s) * grime(s, t, 0.06f, seed));
  c = mix(c, shade(base, 1.7f), line(s, 0.25f, 0.05f) * 0.35f);  // specular streak
  return mix(c, kSoot, ring * 0.75f);
}

Image paint_arms_skin() {
  using namespace arms_skin;
  Image img(kSkinSize, kSkinSize);
  const Color sleeve = rgb(0x2B3060), trim = kTeal;
  paint_region(img, kSleeve, [&](float s, float t) {
    // Quilted armour sleeve with a teal stripe along the top of the forearm.
    const float quilt = std::max(grid_seam(s + 0.5f * t, 6, 0.01f), grid_seam(s - 0.5f * t, 6, 0.01f));
    Color c = shade(sleeve, tube_light(s) * grime(s, t, 0.07f, 11));
    c = mix(c, shade(sleeve, 0.55f), quilt * 0.6f);
    c = mix(c, trim, line(s, 0.25f, 0.03f) * 0.9f);
    return mix(c, shade(trim, 0.6f), (line(s, 0.21f, 0.008f) + line(s, 0.29f, 0.008f)) * 0.7f);
  });
  paint_region(img, kGlove, [&](float s, float t) {
    const Color leather = rgb(0x2C2329);
    const float knuckle =
        std::max(spot(s, t, 0.3f, 0.3f, 0.13f, 0.04f), spot(s, t, 0.7f, 0.3f, 0.13f, 0.04f));
    Color c = shade(leather, grime(s, t, 0.12f, 12));
    c = mix(c, rgb(0x5A5068), knuckle * 0.8f);
    return mix(c, shade(leather, 0.5f), grid_seam(t, 3, 0.015f) * 0.6f);
  });
  paint_region(img, kGun, [&](float s, float t) {
    // Ivory casing with dark seams, an ember stripe and two teal indicator lights.
    Color c = armour(s, t, kIvory, 2, 1, 13);
    c = mix(c, kEmber, line(t, 0.7f, 0.06f));
    c = mix(c, kTeal, spot(s, t, 0.18f, 0.3f, 0.05f, 0.02f));
    return mix(c, kHot, spot(s, t, 0.3f, 0.3f, 0.05f, 0.02f) * 0.9f);
  });
  paint_region(img, kCoil, [&](float s, float t) {
    Color c = glow_band(t, kEmber, kHot);
    return mix(c, kPlasma, 0.25f * (0.5f + 0.5f * std::sin(s * 6.2831853f * 6)));
  });
  paint_region(img, kMuzzle, [&](float, float t) { return mix(kHot, kPlasma, t * 0.6f); });
  paint_region(img, kFlash, [&](float s, float t) {
    // A four-pointed star fading to nothing: the flash quads are blended by their alpha.
    const float x = std::fabs(s - 0.5f) * 2, y = std::fabs(t - 0.5f) * 2;
    const float r = std::hypot(x, y);
    const float star =
        std::max(1 - smoothstep(0.0f, 0.18f, x * (0.3f + y)), 1 - smoothstep(0.0f, 0.18f, y * (0.3f + x)));
    const float core = 1 - smoothstep(0.0f, 0.55f, r);
    const float a = std::clamp(std::max(star * (1 - r), core), 0.0f, 1.0f) * (1 - smoothstep(0.9f, 1.0f, r));
    return with_alpha(mix(kEmber, kHot, core), a);
  });
  paint_region(img, kPlate, [&](float s, float t) {
    // Gunmetal guard with teal edges and an ember status light.
    Color c = armour(s, t, rgb(0x4A4C68), 1, 2, 14);
    c = mix(c, kTeal, (line(s, 0.04f, 0.04f) + line(s, 0.96f, 0.04f)) * 0.8f);
    return mix(c, kPlasma, line(s, 0.5f, 0.035f) * line(t, 0.5f, 0.3f));
  });
  paint_region(img, kDark, [&](float s, float t) { return rod(s, t, rgb(0x34303F), {0.9f}, 15); });
  return img;
}

Image paint_bug_tank_skin() {
  using namespace bug_tank_skin;
  Image img(kSkinSize, kSkinSize);
  const Color chitin = rgb(0x4B3A6E), dark = rgb(0x231A35);
  paint_region(img, kShell, [&](float s, float t) {
    // Seen from above, s from tail (0) to head (1), t across. Two wing cases split by a glowing
    // seam, ribbed, with a head plate in front and exhaust slits at the tail.
    const float dx = (s - 0.55f) / 0.55f, dz = (t - 0.5f) / 0.5f;
    const float dome = std::clamp(1 - (dx * dx + dz * dz), 0.0f, 1.0f);
    Color c = shade(chitin, (0.55f + 0.6f * dome) * grime(s, t, 0.07f, 21));
    const float pronotum = s > 0.78f + 0.06f * dz * dz ? 1.0f : 0.0f;
    const float seamOn = 1 - pronotum;
    c = mix(c, shade(chitin, 0.8f), pronotum * 0.6f);
    c = mix(c, dark, line(s, 0.78f + 0.06f * dz * dz, 0.015f));
    for (float rib : {0.3f, 0.7f}) c = mix(c, shade(chitin, 1.5f), line(t, rib, 0.012f) * seamOn * 0.6f);
    for (float rib : {0.18f, 0.82f}) c = mix(c, dark, line(t, rib, 0.01f) * seamOn * 0.5f);
    c = mix(c, dark, line(t, 0.5f, 0.02f) * seamOn);
    c = mix(c, kTeal, line(t, 0.5f, 0.007f) * seamOn * 0.9f);
    for (float across : {0.33f, 0.67f})
      c = mix(c, kHostile, spot(s * 2.5f, t, 0.35f, across, 0.06f, 0.03f) * (s < 0.3f ? 1.0f : 0.0f));
    // Chevron markings on the head plate.
    const float chevron =
        line(s - 0.1f * std::fabs(dz), 0.88f, 0.012f) * (std::fabs(dz) < 0.6f ? 1.0f : 0.0f);
    return mix(c, kEmber, chevron * 0.8f);
  });
  paint_region(img, kBelly, [&](float s, float t) {
    Color c = shade(rgb(0x2E2A3A), grime(s, t, 0.1f, 22) * (1.0f - 0.4f * t));
    return mix(c, kSoot, grid_seam(t, 4, 0.02f) * 0.8f);
  });
  paint_region(img, kHead, [&](float s, float t) {
    // Seen from the front, s across, t down: eye sockets, a centre ridge and a glowing maw.
    Color c = shade(chitin, (0.8f + 0.3f * (1 - t)) * grime(s, t, 0.06f, 23));
    c = mix(c, shade(chitin, 1.4f), line(s, 0.5f, 0.02f) * (t < 0.55f ? 1.0f : 0.0f));
    for (float ex : {0.265f, 0.735f}) c = mix(c, kSoot, spot(s, t, ex, 0.31f, 0.15f, 0.03f));
    const float maw = line(t, 0.74f, 0.05f) * line(s, 0.5f, 0.2f);
    c = mix(c, kSoot, maw);
    return mix(c, kHostile, maw * (0.5f + 0.5f * grid_seam(s, 8, 0.02f)));
  });
  paint_region(img, kLeg, [&](float s, float t) {
    Color c = rod(s, t, rgb(0x5A4E78), {0.35f, 0.7f}, 24);
    return mix(c, shade(dark, 0.8f), smoothstep(0.75f, 1.0f, t));
  });
  paint_region(img, kJoint, [&](float s, float t) {
    Color c = shade(rgb(0x6A6480), (0.6f + 0.5f * (1 - t)) * grime(s, t, 0.05f, 25));
    return mix(c, kSoot, grid_seam(s, 6, 0.02f) * 0.5f);
  });
  paint_region(img, kGlow, [&](float, float t) { return glow_band(t, kHostile, kHot); });
  paint_region(img, kClaw, [&](float s, float t) {
    const Color bone = rgb(0xD8CFC0);
    Color c = shade(bone, (0.75f + 0.3f * std::sin(s * 6.2831853f)) * grime(s, t, 0.05f, 26));
    c = mix(c, shade(bone, 0.7f), grid_seam(t, 5, 0.015f) * 0.6f);
    return mix(c, rgb(0x3A2F2A), smoothstep(0.55f, 1.0f, t));
  });
  return img;
}

Image paint_bug_turret_skin() {
  using namespace bug_turret_skin;
  Image img(kSkinSize, kSkinSize);
  paint_region(img, kBase, [&](float s, float t) {
    // Turntable: hazard stripes between dark rims.
    const float band = (t > 0.25f && t < 0.75f) ? 1.0f : 0.0f;
    Color c = shade(rgb(0x3A3548), grime(s, t, 0.08f, 31));
    const Color hazard = mix(kEmber, kSoot, stripes(s * 8, t, 0.5f));
    c = mix(c, hazard, band);
    return mix(c, kSoot, (line(t, 0.25f, 0.04f) + line(t, 0.75f, 0.04f)) * 0.8f);
  });
  paint_region(img, kHousing, [&](float s, float t) {
    Color c = armour(s, t, rgb(0x55506E), 2, 2, 32);
    // A small warning triangle on each flank.
    const float tri = (t > 0.3f && t < 0.7f && std::fabs(s - 0.35f) < (t - 0.3f) * 0.5f) ? 1.0f : 0.0f;
    return mix(c, kEmber, tri * 0.85f);
  });
  paint_region(img, kTop, [&](float s, float t) {
    Color c = armour(s, t, rgb(0x4D4866), 6, 1, 33);
    const float vent = grid_seam(t, 8, 0.02f) * (s > 0.45f && s < 0.6f ? 1.0f : 0.0f);
    return mix(c, kSoot, vent * 0.9f);
  });
  paint_region(img, kBarrel, [&](float s, float t) {
    Color c = rod(s, t, rgb(0x4A4558), {0.15f, 0.85f, 0.9f}, 34);
    return mix(c, rgb(0x6A3A7A), smoothstep(0.6f, 1.0f, t) * 0.5f);  // heat tint at the muzzle end
  });
  paint_region(img, kGlow, [&](float, float t) { return glow_band(t, kHostile, kHot); });
  paint_region(img, kDark, [&](float s, float t) { return rod(s, t, rgb(0x2A2633), {0.5f}, 35); });
  return img;
}

Image paint_cannon_walker_skin() {
  using namespace cannon_walker_skin;
  Image img(kSkinSize, kSkinSize);
  const Color hull = rgb(0x5E5878);
  paint_region(img, kHull, [&](float s, float t) {
    Color c = armour(s, t, hull, 3, 3, 41);
    const float band = (t > 0.42f && t < 0.58f) ? 1.0f : 0.0f;
    return mix(c, mix(kEmber, kSoot, stripes(s * 6, t * 6, 0.6f)), band * 0.9f);
  });
  paint_region(img, kFront, [&](float s, float t) {
    // The visor: a dark plate with a glowing slit and a brighter eye, a grille below.
    Color c = shade(rgb(0x3A3550), grime(s, t, 0.06f, 42));
    const float slit = line(t, 0.38f, 0.06f) * (s > 0.1f && s < 0.9f ? 1.0f : 0.0f);
    c = mix(c, kSoot, line(t, 0.38f, 0.1f) * (s > 0.06f && s < 0.94f ? 1.0f : 0.0f));
    c = mix(c, kHostile, slit);
    c = mix(c, kHot, spot(s, t, 0.5f, 0.38f, 0.07f, 0.03f));
    const float grille = grid_seam(s, 10, 0.012f) * (t > 0.62f && t < 0.86f ? 1.0f : 0.0f);
    return mix(c, kSoot, grille * 0.9f);
  });
  paint_region(img, kLeg, [&](float s, float t) {
    Color c = rod(s, t, hull, {0.1f, 0.9f}, 43);
    return mix(c, shade(hull, 0.55f), grid_seam(s, 8, 0.01f) * 0.5f);
  });
  paint_region(img, kJoint, [&](float s, float t) {
    Color c = shade(rgb(0x3C3850), (0.6f + 0.5f * (1 - t)) * grime(s, t, 0.06f, 44));
    return mix(c, kSteel, grid_seam(s, 6, 0.03f) * line(t, 0.5f, 0.1f) * 0.8f);
  });
  paint_region(img, kGlow, [&](float, float t) { return glow_band(t, kHostile, kHot); });
  paint_region(img, kCannon, [&](float s, float t) {
    Color c = rod(s, t, rgb(0x45405A), {0.08f, 0.12f, 0.8f, 0.84f, 0.88f}, 45);
    return mix(c, rgb(0x7A3B7A), smoothstep(0.7f, 1.0f, t) * 0.4f);
  });
  paint_region(img, kFoot, [&](float s, float t) {
    Color c = shade(rgb(0x35313F), grime(s, t, 0.1f, 46));
    return mix(c, kSoot, grid_seam(s, 7, 0.02f) * 0.7f);
  });
  return img;
}

Image paint_hover_tank_skin() {
  using namespace hover_tank_skin;
  Image img(kSkinSize, kSkinSize);
  const Color hull = rgb(0x4F5A78);
  paint_region(img, kDeck, [&](float s, float t) {
    // Seen from above, s from tail to nose, t across: plates, a hatch ring under the turret,
    // teal trim along the edges, vents at the tail and chevrons at the nose.
    Color c = armour(s, t, hull, 4, 2, 51);
    c = mix(c, kSoot, line(std::hypot((s - 0.42f) * 1.7f, t - 0.5f), 0.3f, 0.02f));
    c = mix(c, kTeal, (line(t, 0.06f, 0.02f) + line(t, 0.94f, 0.02f)) * 0.9f);
    c = mix(c, kSoot, grid_seam(t, 10, 0.015f) * (s < 0.12f ? 1.0f : 0.0f));
    const float chevron =
        line(s - 0.25f * std::fabs(t - 0.5f), 0.86f, 0.02f) * (std::fabs(t - 0.5f) < 0.3f ? 1.0f : 0.0f);
    return mix(c, kEmber, chevron * 0.9f);
  });
  paint_region(img, kSide, [&](float s, float t) {
    Color c = armour(s, t, shade(hull, 0.85f), 6, 1, 52);
    return mix(c, kTeal, line(t, 0.45f, 0.05f) * 0.85f);
  });
  paint_region(img, kDuct, [&](float s, float t) {
    Color c = shade(rgb(0x3E4660), tube_light(s) * grime(s, t, 0.06f, 53));
    c = mix(c, kSteel, (line(t, 0.1f, 0.05f) + line(t, 0.9f, 0.05f)) * 0.6f);
    return mix(c, kEmber, line(t, 0.5f, 0.04f) * grid_seam(s, 12, 0.02f));
  });
  paint_region(img, kBlade, [&](float s, float t) {
    Color c = shade(kSteel, 0.9f + 0.2f * (1 - t));
    return mix(c, kSoot, (line(s, 0.02f, 0.06f) + line(s, 0.98f, 0.06f)) * 0.8f);
  });
  paint_region(img, kGlow, [&](float s, float t) {
    const float k = spot(s, t, 0.5f, 0.5f, 0.7f, 0.5f);
    return mix(kDeepTeal, rgb(0xB8FFF4), k);
  });
  paint_region(img, kTurret, [&](float s, float t) {
    Color c = armour(s, t, rgb(0x5A6480), 5, 2, 54);
    return mix(c, kSoot, line(t, 0.3f, 0.03f) * grid_seam(s, 5, 0.06f));
  });
  paint_region(img, kBarrel, [&](float s, float t) { return rod(s, t, rgb(0x3A4054), {0.1f, 0.85f}, 55); });
  paint_region(img, kDark, [&](float s, float t) { return shade(rgb(0x23242E), grime(s, t, 0.1f, 56)); });
  return img;
}

}  // namespace

bool make_skins(const std::string& dir, std::string* error) {
  return write_png(dir + "/ArmsSkin.png", paint_arms_skin(), error) &&
         write_png(dir + "/BugTankSkin.png", paint_bug_tank_skin(), error) &&
         write_png(dir + "/BugTurretSkin.png", paint_bug_turret_skin(), error) &&
         write_png(dir + "/CannonWalkerSkin.png", paint_cannon_walker_skin(), error) &&
         write_png(dir + "/HoverTankSkin.png", paint_hover_tank_skin(), error);
}
