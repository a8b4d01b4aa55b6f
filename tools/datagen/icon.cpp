#include "icon.h"

#include <cmath>

#include "image.h"
#include "paint.h"
#include "text.h"

namespace {

using namespace palette;

}  // namespace

bool make_icon(const std::string& path, std::string* error) {
  const int n = kIconSize;
  const float s = static_cast<float>(n);
  Image icon(n, n);

  // The tile: night at the top to dusk at the horizon, the ground below it.
  const float horizon = 0.68f;
  Image sky(n, n);
  fill(sky, [&](float, float y) {
    if (y > horizon) return mix(kSoot, kGunmetal, smoothstep(horizon, 1.0f, y) * 0.5f);
    return mix(kNight, kDusk, smoothstep(0.1f, horizon, y));
  });
  const Mask tile = rounded_rect_mask(n, n, 2, 2, s - 2, s - 2, s * 0.18f);
  paint(icon, tile, [&](int x, int y) { return sky.at(x, y); });

  // The orb on the horizon, with its glow held inside the tile.
  const float cx = s * 0.5f, cy = s * horizon;
  Mask halo = blurred(disc_mask(n, n, cx, cy, s * 0.3f, 2.0f), n / 16);
  for (size_t i = 0; i < halo.value.size(); ++i) halo.value[i] *= tile.value[i];
  glow(icon, halo, with_alpha(kEmber, 0.8f));
  Mask orb = disc_mask(n, n, cx, cy, s * 0.2f, 1.5f);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (y > cy) orb.ref(x, y) = 0.0f;  // the half below the horizon is hidden
  paint(icon, orb, [&](int x, int y) {
    const float r = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / (s * 0.2f);
    return mix(kHot, kPlasma, smoothstep(0.2f, 1.0f, r));
  });

  // The V, ivory with a dark outline and shadow.
  TextFace bold;
  if (!bold.open("Liberation Sans:bold", error)) return false;
  const int px = n * 3 / 4;
  Mask letter(n, n);
  bold.draw_centred(letter, cx, s * 0.5f + bold.cap_height(px) / 2, px, "V");
  paint(icon, shifted(dilated(letter, s / 40), n / 40, n / 40), with_alpha(kSoot, 0.7f));
  paint(icon, dilated(letter, s / 40), kSoot);
  paint(icon, letter, kIvory);

  return write_png(path, icon, error);
}
