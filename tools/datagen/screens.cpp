// The screen images. Each picture is painted at the size it fills in its texture and then padded
// to the power-of-two texture whose texture-coordinate limits the screens use:
//   Title, Story, GameOver: 400 x 400 in 512 x 512 (limits 0.78125 x 0.78125);
//   Menu1 (Play): 381 x 99 in 512 x 128 (0.744140625 x 0.7734375);
//   Menu3 (Quit): 215 x 69 in 256 x 128 (0.83984375 x 0.5390625);
//   Cursor: 64 x 64 in 64 x 64 (1 x 1).
// The 400 x 400 pictures lose about 5 pixels at each edge on screen, so nothing important goes
// there. The Play and Quit buttons are drawn over the title at (9, 120) and (13, 273).
#include "screens.h"

#include <algorithm>
#include <cmath>

#include "image.h"
#include "noise.h"
#include "paint.h"
#include "text.h"

namespace {

using namespace palette;

struct Fonts {
  TextFace bold, regular;
};

struct TextStyle {
  Color top, bottom;  // fill, from the top of the capitals to the baseline
  Color outline{0, 0, 0, 0};
  float outlineWidth = 0;
  Color glowColour{0, 0, 0, 0};
  int glowRadius = 0;
  bool shadow = false;
};

// Draws one line of text, centred on x when `centred`, else starting at x.
void text(Image& img, const TextFace& face, const std::string& s, int px, float x, float baseline,
          const TextStyle& style, bool centred = true, float tracking = 0) {
  Mask m(img.width, img.height);
  if (centred)
    face.draw_centred(m, x, baseline, px, s, tracking);
  else
    face.draw(m, x, baseline, px, s, tracking);
  m.fit();
  if (style.shadow) paint(img, blurred(shifted(m, 2, 2), 1), Color{0, 0, 0, 0.65f});
  if (style.glowRadius > 0) glow(img, blurred(m, style.glowRadius), style.glowColour);
  if (style.outlineWidth > 0) paint(img, dilated(m, style.outlineWidth), style.outline);
  const float cap = face.cap_height(px);
  paint(img, m, [&](int, int y) {
    return mix(style.top, style.bottom, std::clamp((y - (baseline - cap)) / cap, 0.0f, 1.0f));
  });
}

// A skyline from value noise: the ridge's top at pixel column x.
std::function<float(float)> ridge(float base, float amplitude, float scale, int seed) {
  return [=](float x) { return base - amplitude * fractal_noise(x / scale, 0.5f, 64, 3, seed); };
}

// A thick straight stroke as a polygon.
std::vector<float> stroke(float x0, float y0, float x1, float y1, float width) {
  const float dx = x1 - x0, dy = y1 - y0, l = std::hypot(dx, dy);
  const float nx = -dy / l * width / 2, ny = dx / l * width / 2;
  return {x0 + nx, y0 + ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, x0 - nx, y0 - ny};
}

// A cannon walker seen side-on as a silhouette, feet at (x, y), `h` high, facing left.
void walker_silhouette(Image& img, float x, float y, float h, Color body, Color eye) {
  const float k = h / 44.0f;
  auto at = [&](float px, float py) { return std::vector<float>{x + px * k, y - py * k}; };
  auto poly = [&](std::initializer_list<std::pair<float, float>> pts) {
    std::vector<float> xy;
    for (auto [px, py] : pts) {
      auto p = at(px, py);
      xy.insert(xy.end(), p.begin(), p.end());
    }
    paint(img, polygon_mask(img.width, img.height, xy), body);
  };
  auto limb = [&](float ax, float ay, float bx, float by, float w) {
    const auto a = at(ax, ay), b = at(bx, by);
    paint(img, polygon_mask(img.width, img.height, stroke(a[0], a[1], b[0], b[1], w * k)), body);
  };
  // Legs: hip, knee forward (to the left), ankle back, foot.
  for (float off : {-3.0f, 3.0f}) {
    limb(off, 24, off - 7, 13, 3.2f);
    limb(off - 7, 13, off + 2, 4, 2.6f);
    limb(off + 2, 4, off, 0.5f, 2.2f);
    poly({{off - 5, 0}, {off + 4, 0}, {off + 3, 1.8f}, {off - 4, 1.8f}});
  }
  poly({{-9, 24}, {9, 24}, {11, 30}, {8, 36}, {-7, 36}, {-12, 31}});  // hull
  poly({{-3, 36}, {5, 36}, {5, 39}, {-3, 39}});                       // turret block
  limb(-1, 38, -20, 38, 2.2f);                                        // cannon, pointing left
  limb(6, 35, 8, 44, 0.7f);                                           // antenna
  const auto e = at(-10.5f, 30.5f);
  paint(img, disc_mask(img.width, img.height, e[0], e[1], 1.2f * k), eye);
  glow(img, blurred(disc_mask(img.width, img.height, e[0], e[1], 1.5f * k), 2), with_alpha(eye, 0.9f));
}

// The dusk over Vornex ridge: gradient sky with stars, a ringed moon, three ridges and a walker on
// the middle one. `night` 0 is dusk, 1 the darker after-battle sky.
void dusk_scene(Image& img, float night) {
  const float w = static_cast<float>(img.width), h = static_cast<float>(img.height);
  const float horizon = 0.76f;
  fill(img, [&](float x, float y) {
    struct Stop {
      float at;
      Color c;
    };
    const Stop stops[5] = {{0.0f, rgb(0x120A22)},
                           {0.35f, rgb(0x2A1650)},
                           {0.58f, rgb(0x5A2A6E)},
                           {0.70f, rgb(0xA8456A)},
                           {horizon, kEmber}};
    Color c = stops[4].c;
    for (int i = 0; i < 4; ++i)
      if (y <= stops[i + 1].at) {
        c = mix(stops[i].c, stops[i + 1].c, smoothstep(stops[i].at, stops[i + 1].at, y));
        break;
      }
    // The sun just below the horizon lights the sky around it.
    const float d = std::hypot((x - 0.68f) * 1.0f, (y - horizon) * 2.2f);
    c = mix(c, rgb(0xFFC070), 0.55f * std::exp(-d * 7));
    return mix(c, mix(rgb(0x0E0818), rgb(0x4A1A2A), y), night * 0.75f);
  });
  Rng rng(77);
  for (int i = 0; i < 140; ++i) {
    const float sx = rng.unit() * w, sy = rng.unit() * h * 0.55f, size = 0.5f + rng.unit() * 0.9f;
    const float fade = 1 - smoothstep(0.1f, 0.55f, sy / h) * (1 - night);
    paint(img, disc_mask(img.width, img.height, sx, sy, size, 1.0f), with_alpha(rgb(0xFFF4E6), 0.9f * fade));
  }
  // A ringed moon in teal, lit from the sunset below it.
  const float mx = 0.8f * w, my = 0.605f * h, mr = 0.058f * w;
  auto ring_alpha = [&](int x, int y, bool front) {
    const float dx = x + 0.5f - mx, dy = y + 0.5f - my;
    const float c = std::cos(-0.26f), s = std::sin(-0.26f);
    const float rx = dx * c - dy * s, ry = dx * s + dy * c;
    const float e = std::hypot(rx / (mr * 1.8f), ry / (mr * 0.38f));
    const float band = (1 - smoothstep(0.97f, 1.0f, e)) * smoothstep(0.78f, 0.81f, e);
    return ((ry > 0) == front) ? band : 0.0f;
  };
  Mask back(img.width, img.height), front(img.width, img.height);
  const int reach = static_cast<int>(mr * 2);
  back.limit(static_cast<int>(mx) - reach, static_cast<int>(my) - reach, static_cast<int>(mx) + reach,
             static_cast<int>(my) + reach);
  front.limit(back.x0, back.y0, back.x1, back.y1);
  for (int y = back.y0; y < back.y1; ++y)
    for (int x = back.x0; x < back.x1; ++x) {
      back.ref(x, y) = ring_alpha(x, y, false);
      front.ref(x, y) = ring_alpha(x, y, true);
    }
  paint(img, back, with_alpha(rgb(0xBFE8E0), 0.6f));
  paint(img, disc_mask(img.width, img.height, mx, my, mr), [&](int x, int y) {
    const float lx = (x - mx) / mr, ly = (y - my) / mr;
    const float lit = std::clamp(0.35f + 0.75f * (0.2f * -lx + 0.8f * ly), 0.0f, 1.0f);
    Color c = mix(kDeepTeal, rgb(0x7FE3D4), lit);
    return mix(c, shade(c, 0.8f), smoothstep(0.4f, 0.7f, fractal_noise(lx * 3 + 5, ly * 3 + 5, 16, 3, 5)));
  });
  paint(img, front, with_alpha(rgb(0xD8FFF6), 0.75f));
  // Three ridges, the nearest darkest. The walker stands on the middle one.
  const auto farTop = ridge(0.745f * h, 14, 70, 1);
  paint(img, skyline_mask(img.width, img.height, farTop), mix(rgb(0x5A3470), rgb(0x2A1A3A), night));
  const auto midTop = ridge(0.84f * h, 30, 90, 2);
  const float walkerX = 0.875f * w;
  walker_silhouette(img, walkerX, midTop(walkerX) + 1.5f, 0.11f * h, rgb(0x24163A), kHostile);
  paint(img, skyline_mask(img.width, img.height, midTop), rgb(0x24163A));
  paint(img, skyline_mask(img.width, img.height, ridge(0.93f * h, 18, 60, 3)), rgb(0x0E0716));
}

// A glowing plasma bolt in flight: a bright head and a fading trail from (x0, y0) to the head.
void plasma_streak(Image& img, float x0, float y0, float x1, float y1) {
  Mask trail = polygon_mask(img.width, img.height, stroke(x0, y0, x1, y1, 2.5f));
  glow(img, blurred(trail, 3), with_alpha(kEmber, 0.8f));
  paint(img, trail, [&](int x, int y) {
    const float t = std::clamp(
        ((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / ((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0)), 0.0f,
        1.0f);
    return with_alpha(mix(kEmber, kHot, t), t);
  });
  Mask head = disc_mask(img.width, img.height, x1, y1, 4.0f, 1.5f);
  glow(img, blurred(head, 5), kPlasma);
  paint(img, head, kHot);
}

const TextStyle kTitleStyle{rgb(0xFFE7B0), rgb(0xFF6A1A), rgb(0x1A0C2A), 3.0f, with_alpha(kEmber, 0.9f), 7,
                            true};
const TextStyle kLabelStyle{rgb(0xF4EEFF), rgb(0xC9BEE6), Color{0, 0, 0, 0}, 0, Color{0, 0, 0, 0}, 0, true};
const TextStyle kTealStyle{rgb(0x8FF5E8), kTeal, Color{0, 0, 0, 0}, 0, with_alpha(kTeal, 0.5f), 3, true};
const TextStyle kHeadingStyle{rgb(0xFFD9A0), kEmber, Color{0, 0, 0, 0}, 0, with_alpha(kEmber, 0.35f), 3,
                              true};

// The largest size up to `px` at which the text fits in `width`.
int fitting_size(const TextFace& face, const std::string& s, int px, float width, float tracking) {
  while (px > 8 && face.width(s, px, tracking) > width) --px;
  return px;
}

Image title(const Fonts& f) {
  Image img(400, 400);
  dusk_scene(img, 0.0f);
  plasma_streak(img, 238, 398, 322, 318);
  plasma_streak(img, 282, 400, 336, 352);
  const int px = fitting_size(f.bold, "VORNEX", 84, 330, 6);
  text(img, f.bold, "VORNEX", px, 200, 86, kTitleStyle, true, 6);
  text(img, f.bold, "HOLD THE RIDGE FOR THREE MINUTES", 11, 200, 108, kTealStyle, true, 2.5f);
  const std::string controls = "MOUSE aim   LEFT BUTTON fire   W/S move   A/D circle   ESC quit";
  text(img, f.regular, controls, fitting_size(f.regular, controls, 12, 370, 0), 200, 388, kLabelStyle);
  return img;
}

// A button plate: dark violet glass with a teal rim and a light label.
Image button(const Fonts& f, int width, int height, const std::string& label, int px) {
  Image img(width, height);
  const float r = height * 0.18f;
  const Mask outer = rounded_rect_mask(width, height, 2, 2, width - 2.0f, height - 2.0f, r);
  const Mask inner = rounded_rect_mask(width, height, 5, 5, width - 5.0f, height - 5.0f, r - 3);
  paint(img, outer, kTeal);
  paint(img, inner, [&](int, int y) {
    return with_alpha(mix(rgb(0x2E1A56), rgb(0x120A24), static_cast<float>(y) / height), 1.0f);
  });
  Mask shine(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      shine.ref(x, y) = inner.at(x, y) * (1 - smoothstep(5, height * 0.45f, static_cast<float>(y)));
  glow(img, shine, with_alpha(rgb(0x6A5A9A), 0.35f));
  // Chevrons either side of the label.
  const float cy = height / 2.0f, size = height * 0.16f;
  const float labelHalf = f.bold.width(label, px, 4) / 2;
  for (int side : {-1, 1})
    for (int i = 0; i < 3; ++i) {
      const float cx = width / 2.0f + side * (labelHalf + size * 1.6f + i * size * 1.1f);
      const float tip = cx - side * size * 0.2f, back = cx + side * size * 0.5f;
      const std::vector<float> chevron = {
          back, cy - size, tip, cy, back, cy + size, back - side * size * 0.35f, cy};
      paint(img, polygon_mask(width, height, chevron), with_alpha(kTeal, 0.9f - 0.25f * i));
    }
  const TextStyle style{rgb(0xFFFFFF), rgb(0xFFE2C0), Color{0, 0, 0, 0}, 0, with_alpha(kEmber, 0.55f), 4,
                        true};
  text(img, f.bold, label, px, width / 2.0f, cy + f.bold.cap_height(px) / 2, style, true, 4);
  return img;
}

// The mouse pointer: an arrow with its tip at the top-left pixel, light with a dark rim and shadow.
Image cursor() {
  Image img(64, 64);
  const std::vector<float> arrow = {1.5f,  1.5f,  1.5f,  25.0f, 7.2f,  19.8f, 11.6f,
                                    29.0f, 15.6f, 27.2f, 11.3f, 18.2f, 18.8f, 18.2f};
  const Mask shape = polygon_mask(64, 64, arrow);
  paint(img, blurred(shifted(shape, 2, 3), 1), Color{0, 0, 0, 0.45f});
  paint(img, dilated(shape, 1.3f), rgb(0x140C24));
  paint(img, shape, [&](int x, int y) {
    return mix(rgb(0xF2FFFC), rgb(0x7FE3D4), std::clamp((x + y) / 40.0f, 0.0f, 1.0f));
  });
  return img;
}

// Paragraphs wrapped into a column; returns the baseline after the last line.
float paragraph(Image& img, const TextFace& face, const std::string& s, int px, float x, float baseline,
                float width, float leading, const TextStyle& style) {
  for (const std::string& l : face.wrap(s, px, width)) {
    text(img, face, l, px, x, baseline, style, false);
    baseline += leading;
  }
  return baseline;
}

void panel(Image& img, float x0, float y0, float x1, float y1) {
  paint(img, rounded_rect_mask(img.width, img.height, x0, y0, x1, y1, 10), with_alpha(kTeal, 0.8f));
  paint(img, rounded_rect_mask(img.width, img.height, x0 + 2, y0 + 2, x1 - 2, y1 - 2, 8),
        with_alpha(rgb(0x0E0818), 0.82f));
}

Image story(const Fonts& f) {
  Image img(400, 400);
  dusk_scene(img, 0.3f);
  plasma_streak(img, 150, 400, 322, 318);
  panel(img, 14, 14, 386, 290);
  text(img, f.bold, "DISPATCH  \xC2\xB7  VORNEX RIDGE, 21:47", 15, 200, 42, kHeadingStyle, true, 1.5f);
  const char* paragraphs[3] = {
      "The relay tower on this ridge is the last one still talking to the fleet. The colony's evacuation "
      "ships "
      "need its signal for three more minutes.",
      "The machines know. Bug tanks with turrets on their backs, long-legged cannon walkers and hover tanks "
      "are "
      "climbing the slopes to tear the tower down.",
      "You have two plasma arms, a dusk that will not last, and one order: hold the ridge until the clock "
      "runs out.",
  };
  float y = 72;
  for (const char* p : paragraphs) y = paragraph(img, f.regular, p, 14, 30, y, 340, 19, kLabelStyle) + 9;
  paint(img, rounded_rect_mask(400, 400, 40, 249, 360, 250.5f, 0.5f), with_alpha(kTeal, 0.5f));
  text(img, f.regular, "Mouse aims, left button fires, W/S move, A/D circle.", 12, 200, 272, kTealStyle);
  text(img, f.bold, "CLICK TO DEPLOY", 16, 200, 381, kHeadingStyle, true, 3);
  return img;
}

Image game_over(const Fonts& f) {
  Image img(400, 400);
  dusk_scene(img, 1.0f);
  // Smoke rising from wrecks on the far ridge, lit from below by their fires.
  for (int i = 0; i < 3; ++i) {
    const float x = 60.0f + 125.0f * i + 20 * (i == 1), y = 300.0f + 6 * i;
    glow(img, blurred(disc_mask(400, 400, x, y, 6), 6), with_alpha(kEmber, 0.9f));
    Mask smoke(400, 400);
    smoke.limit(static_cast<int>(x) - 40, static_cast<int>(y) - 151, static_cast<int>(x) + 80,
                static_cast<int>(y) + 1);
    for (int py = smoke.y0; py < smoke.y1; ++py)
      for (int px = smoke.x0; px < smoke.x1; ++px) {
        const float rise = (y - py) / 150.0f;
        const float cx = x + 30 * rise * rise + 5 * std::sin(rise * 7 + i);
        const float width = 5 + 32 * rise;
        const float n = fractal_noise(px / 12.0f, py / 12.0f + i * 5, 64, 3, 90 + i);
        smoke.ref(px, py) = (1 - smoothstep(width * 0.3f, width, std::fabs(px - cx))) * (1 - rise) *
                            (0.35f + 0.65f * n) * 0.8f;
      }
    paint(img, smoke, [&](int, int py) {
      return mix(rgb(0x4A3E52), rgb(0x9A4A32), std::clamp(1 - (y - py) / 40.0f, 0.0f, 1.0f));
    });
  }
  const int px = fitting_size(f.bold, "GAME OVER", 60, 340, 3);
  text(img, f.bold, "GAME OVER", px, 200, 150, kTitleStyle, true, 3);
  text(img, f.regular, "The clock has run out. The last ship is away,", 14, 200, 190, kLabelStyle);
  text(img, f.regular, "and the ridge held long enough.", 14, 200, 209, kLabelStyle);
  text(img, f.bold, "CLICK TO RETURN", 16, 200, 381, kHeadingStyle, true, 3);
  return img;
}

bool write_screen(const std::string& path, const Image& picture, int texW, int texH, std::string* error) {
  return write_png(path, padded(picture, texW, texH), error);
}

}  // namespace

bool make_screens(const std::string& dir, std::string* error) {
  Fonts f;
  if (!f.bold.open("Liberation Sans:bold", error) || !f.regular.open("Liberation Sans", error)) return false;
  const std::string art = dir + "/Art/";
  return write_screen(art + "Title.png", title(f), 512, 512, error) &&
         write_screen(art + "Menu1.png", button(f, 381, 99, "PLAY", 50), 512, 128, error) &&
         write_screen(art + "Menu3.png", button(f, 215, 69, "QUIT", 34), 256, 128, error) &&
         write_screen(art + "Cursor.png", cursor(), 64, 64, error) &&
         write_screen(art + "Story.png", story(f), 512, 512, error) &&
         write_screen(art + "GameOver.png", game_over(f), 512, 512, error);
}
