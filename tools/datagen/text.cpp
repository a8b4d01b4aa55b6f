#include "text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

std::vector<uint32_t> decode_utf8(const std::string& text) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t code = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
    ++i;
    for (; extra > 0 && i < text.size(); --extra, ++i)
      code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    out.push_back(code);
  }
  return out;
}

// Finds the font file for a fontconfig pattern.
bool find_font(const std::string& pattern, std::string* file, int* index) {
  if (!FcInit()) return false;
  FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
  if (!wanted) return false;
  FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
  FcDefaultSubstitute(wanted);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, wanted, &result);
  bool found = false;
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      *file = reinterpret_cast<const char*>(path);
      if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
      found = true;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(wanted);
  return found;
}

}  // namespace

TextFace::~TextFace() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

bool TextFace::open(const std::string& pattern, std::string* error) {
  std::string file;
  int index = 0;
  if (!find_font(pattern, &file, &index)) {
    *error = "no font found for \"" + pattern + "\"";
    return false;
  }
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    *error = "cannot start FreeType";
    return false;
  }
  library_ = library;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
    *error = "cannot open font " + file;
    return false;
  }
  face_ = face;
  return true;
}

float TextFace::width(const std::string& text, int px, float tracking) const {
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
  float pen = 0;
  FT_UInt previous = 0;
  for (uint32_t code : decode_utf8(text)) {
    const FT_UInt glyph = FT_Get_Char_Index(face, code);
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
      pen += kern.x / 64.0f;
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0) pen += face->glyph->advance.x / 64.0f + tracking;
    previous = glyph;
  }
  return pen - tracking;
}

float TextFace::cap_height(int px) const {
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
  if (FT_Load_Char(face, 'H', FT_LOAD_DEFAULT) != 0) return px * 0.7f;
  return face->glyph->metrics.horiBearingY / 64.0f;
}

void TextFace::draw(Mask& mask, float x, float baseline, int px, const std::string& text,
                    float tracking) const {
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
  float pen = x;
  FT_UInt previous = 0;
  for (uint32_t code : decode_utf8(text)) {
    const FT_UInt glyph = FT_Get_Char_Index(face, code);
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
      pen += kern.x / 64.0f;
    }
    previous = glyph;
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = static_cast<int>(std::lround(pen)) + slot->bitmap_left;
    const int top = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row)
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int mx = left + static_cast<int>(col), my = top + static_cast<int>(row);
        if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
        const float v = bitmap.buffer[row * bitmap.pitch + col] / 255.0f;
        float& cell = mask.ref(mx, my);
        cell = std::min(1.0f, cell + v);
      }
    pen += slot->advance.x / 64.0f + tracking;
  }
}

void TextFace::draw_centred(Mask& mask, float cx, float baseline, int px, const std::string& text,
                            float tracking) const {
  draw(mask, cx - width(text, px, tracking) / 2, baseline, px, text, tracking);
}

std::vector<std::string> TextFace::wrap(const std::string& text, int px, float maxWidth) const {
  std::vector<std::string> lines;
  std::string line, word;
  auto flush_word = [&]() {
    if (word.empty()) return;
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && width(candidate, px) > maxWidth) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    word.clear();
  };
  for (char c : text) {
    if (c == ' ')
      flush_word();
    else
      word += c;
  }
  flush_word();
  if (!line.empty()) lines.push_back(line);
  return lines;
}
