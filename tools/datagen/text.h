// Text rendered with FreeType from a font that fontconfig finds by name (the Liberation fonts),
// into coverage masks that the screen painters colour, outline and light.
#ifndef VORNEX_TOOLS_TEXT_H
#define VORNEX_TOOLS_TEXT_H

#include <string>
#include <vector>

#include "image.h"

class TextFace {
 public:
  TextFace() = default;
  TextFace(const TextFace&) = delete;
  TextFace& operator=(const TextFace&) = delete;
  ~TextFace();

  // pattern: a fontconfig name such as "Liberation Sans:bold". Returns false with the reason.
  bool open(const std::string& pattern, std::string* error);

  // Advance width in pixels of UTF-8 text at a pixel size, with extra `tracking` after each letter.
  float width(const std::string& text, int px, float tracking = 0) const;
  // Distance from the baseline to the top of capitals, in pixels.
  float cap_height(int px) const;

  // Draws UTF-8 text with its baseline at y, starting at x, adding coverage into the mask.
  void draw(Mask& mask, float x, float baseline, int px, const std::string& text, float tracking = 0) const;
  // Draws text centred on cx.
  void draw_centred(Mask& mask, float cx, float baseline, int px, const std::string& text,
                    float tracking = 0) const;

  // Splits text into lines no wider than maxWidth, breaking at spaces.
  std::vector<std::string> wrap(const std::string& text, int px, float maxWidth) const;

 private:
  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
};

#endif  // VORNEX_TOOLS_TEXT_H
