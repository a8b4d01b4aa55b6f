// The glyph atlas: shelf packing, and growth by doubling the shorter side and packing
// the glyphs again, tallest first. DrawTextA has at most 256 characters per font, so the
// atlas only reaches its largest size for very large fonts; a glyph that cannot fit
// then is drawn blank.
#include <algorithm>
#include <numeric>

#include "font_internal.h"

namespace {

// Puts a w x h rectangle on the current shelf or a new one below; false when full.
bool shelf_place(d3dx9::GlyphAtlas* atlas, int w, int h, int* x, int* y) {
  const int gap = 1;  // between glyphs, so that none ever samples its neighbour
  if (atlas->shelfX + w + gap > atlas->width) {
    atlas->shelfY += atlas->shelfHeight + gap;
    atlas->shelfX = gap;
    atlas->shelfHeight = 0;
  }
  if (atlas->shelfX + w + gap > atlas->width || atlas->shelfY + h + gap > atlas->height) return false;
  *x = atlas->shelfX;
  *y = atlas->shelfY;
  atlas->shelfX += w + gap;
  atlas->shelfHeight = std::max(atlas->shelfHeight, h);
  return true;
}

// Packs every glyph into a new atlas of the given size; false (nothing changed) when
// they do not all fit.
bool repack(D3dxFontState* font, int width, int height) {
  d3dx9::GlyphAtlas bigger;
  bigger.width = width;
  bigger.height = height;
  bigger.pixels.assign(static_cast<size_t>(width) * height, 0);
  std::vector<int> order(font->glyphs.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return font->glyphs[a].height > font->glyphs[b].height; });

  std::vector<int> new_x(font->glyphs.size()), new_y(font->glyphs.size());
  for (int i : order) {
    const d3dx9::Glyph& g = font->glyphs[i];
    if (g.width == 0) continue;
    if (!shelf_place(&bigger, g.width, g.height, &new_x[i], &new_y[i])) return false;
    for (int row = 0; row < g.height; ++row)
      std::copy_n(
          font->atlas.pixels.begin() + static_cast<long>(g.atlasY + row) * font->atlas.width + g.atlasX,
          g.width, bigger.pixels.begin() + static_cast<long>(new_y[i] + row) * width + new_x[i]);
  }
  for (int i : order) {
    font->glyphs[i].atlasX = new_x[i];
    font->glyphs[i].atlasY = new_y[i];
  }
  font->atlas = std::move(bigger);
  font->atlas.dirty = true;
  return true;
}

}  // namespace

namespace d3dx9 {

bool atlas_place(D3dxFontState* font, int w, int h, int* x, int* y) {
  GlyphAtlas& atlas = font->atlas;
  while (!shelf_place(&atlas, w, h, x, y)) {
    int width = atlas.width, height = atlas.height;
    do {
      if (width <= height)
        width *= 2;
      else
        height *= 2;
      if (width > GlyphAtlas::kMaxSize || height > GlyphAtlas::kMaxSize) return false;
    } while (!repack(font, width, height));
  }
  return true;
}

}  // namespace d3dx9
