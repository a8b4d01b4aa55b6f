// A small painting surface for the generated pictures: straight-alpha float RGBA pixels, rows top
// first, with anti-aliased shapes drawn by coverage, and PNG output.
#ifndef VORNEX_TOOLS_IMAGE_H
#define VORNEX_TOOLS_IMAGE_H

#include <functional>
#include <string>
#include <vector>

struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};

// 0xRRGGBB with an alpha of 1.
constexpr Color rgb(unsigned hex) {
  return Color{((hex >> 16) & 0xFF) / 255.0f, ((hex >> 8) & 0xFF) / 255.0f, (hex & 0xFF) / 255.0f, 1.0f};
}
inline Color with_alpha(Color c, float a) { return Color{c.r, c.g, c.b, a}; }
inline Color mix(Color a, Color b, float t) {
  return Color{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
// Colour times a factor (alpha kept), for quick shading.
inline Color shade(Color c, float factor) { return Color{c.r * factor, c.g * factor, c.b * factor, c.a}; }

// A coverage mask (0..1 per pixel), the intermediate form of text and shapes. Only the box
// x0..x1, y0..y1 (exclusive ends) may hold coverage; the operations below work inside it.
struct Mask {
  int width = 0, height = 0;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::vector<float> value;
  Mask() = default;
  Mask(int w, int h) : width(w), height(h), x1(w), y1(h), value(static_cast<size_t>(w) * h, 0.0f) {}
  float at(int x, int y) const;  // 0 outside
  float& ref(int x, int y) { return value[static_cast<size_t>(y) * width + x]; }
  // Sets the box (clamped to the mask), or shrinks it to the covered pixels.
  void limit(int left, int top, int right, int bottom);
  void fit();
};

struct Image {
  int width = 0, height = 0;
  std::vector<Color> pixels;
  Image() = default;
  Image(int w, int h, Color fill = Color{0, 0, 0, 0});
  Color& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Color& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // Bilinear sample with clamped edges, at pixel coordinates (pixel centres at +0.5).
  Color sample(float x, float y) const;
};

// "Over" compositing of c onto the pixel, scaled by coverage.
void blend(Image& image, int x, int y, Color c, float coverage = 1.0f);
// Adds light: rgb += c.rgb * c.a * coverage, clamped; alpha raised likewise.
void add_light(Image& image, int x, int y, Color c, float coverage = 1.0f);

// Fills every pixel with colour(x, y), x and y the pixel centre in 0..1 of the image.
void fill(Image& image, const std::function<Color(float, float)>& colour);

// Coverage of shapes in pixel coordinates (continuous: pixel (i, j) spans i..i+1, j..j+1).
Mask disc_mask(int w, int h, float cx, float cy, float radius, float softness = 1.0f);
Mask rounded_rect_mask(int w, int h, float x0, float y0, float x1, float y1, float radius);
// A filled polygon (even-odd), 4 x 4 samples a pixel.
Mask polygon_mask(int w, int h, const std::vector<float>& xy);
// Coverage under a skyline: pixels below y = top(x) are covered (anti-aliased vertically).
Mask skyline_mask(int w, int h, const std::function<float(float)>& top);

// Shifts a mask by whole pixels (shadows), grows it by a radius (outlines) and box-blurs it
// three times (glows); each returns a new mask of the same size.
Mask shifted(const Mask& m, int dx, int dy);
Mask dilated(const Mask& m, float radius);
Mask blurred(const Mask& m, int radius);

// Paints a colour through a mask (over), optionally with a per-pixel colour.
void paint(Image& image, const Mask& m, Color c);
void paint(Image& image, const Mask& m, const std::function<Color(int, int)>& colour);
void glow(Image& image, const Mask& m, Color c);  // additive

// Writes the image into the top-left of a power-of-two texture of size texW x texH. The
// picture's last column and row are repeated into the padding, so filtering at the picture's
// edge does not pull in a foreign colour.
Image padded(const Image& picture, int texW, int texH);

// 8-bit RGBA PNG. Returns false with the reason when the file cannot be written.
bool write_png(const std::string& path, const Image& image, std::string* error);

#endif  // VORNEX_TOOLS_IMAGE_H
