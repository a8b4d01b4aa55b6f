// ID3DXFont on FreeType and fontconfig, checked by the pixels it leaves in a 400 x 400
// back buffer (rectangle pixels map 1:1): where the text lands, its colour, clipping,
// the count, measuring, multi-line layout, and that the device carries on unharmed.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/offscreen_device.h"

namespace {

const int kSize = 400;
const D3DCOLOR kBlack = 0xFF000000;
const D3DCOLOR kWhite = 0xFFFFFFFF;

int red(DWORD p) { return (p >> 16) & 0xFF; }
int green(DWORD p) { return (p >> 8) & 0xFF; }
int blue(DWORD p) { return p & 0xFF; }

// Where the pixels that are not black lie.
struct Ink {
  int left = kSize, top = kSize, right = -1, bottom = -1;  // inclusive; right < 0 when none
  int count = 0;
  bool any() const { return count > 0; }
};

Ink find_ink(const std::vector<DWORD>& pixels) {
  Ink ink;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      if ((pixels[static_cast<size_t>(y) * kSize + x] & 0xFFFFFF) == 0) continue;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x);
      ink.bottom = std::max(ink.bottom, y);
      ++ink.count;
    }
  return ink;
}

class D3dxFont : public OffscreenDevice {
 protected:
  D3dxFont() : OffscreenDevice(kSize) {}

  void TearDown() override {
    for (ID3DXFont* font : fonts) font->Release();
    OffscreenDevice::TearDown();
  }

  // The game's font: 20-pixel cell, bold Arial.
  ID3DXFont* make_font(INT height = 20, UINT weight = FW_BOLD, const char* face = "Arial") {
    ID3DXFont* font = nullptr;
    EXPECT_EQ(D3DXCreateFontA(device, height, 0, weight, 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face, &font),
              D3D_OK);
    if (font) fonts.push_back(font);
    return font;
  }

  void clear(D3DCOLOR c = kBlack) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0);
  }

  // Clears to black and draws one text inside a scene; returns DrawTextA's result.
  INT draw(ID3DXFont* font, const char* text, RECT rect, DWORD format = 0, D3DCOLOR color = kWhite,
           INT count = -1) {
    clear();
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    INT height = font->DrawTextA(nullptr, text, count, &rect, format, color);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    return height;
  }

  std::vector<ID3DXFont*> fonts;
};

// ---- where and how the text appears ----

TEST_F(D3dxFont, TextAppearsInsideItsRectangleInItsColour) {
  ID3DXFont* font = make_font();
  EXPECT_EQ(draw(font, "Kills:000 Time Remaining 03:00", {2, 10, 380, 30}), 20);
  std::vector<DWORD> image = back_buffer();
  Ink ink = find_ink(image);
  ASSERT_TRUE(ink.any());
  EXPECT_GE(ink.left, 2);
  EXPECT_LE(ink.left, 6);  // starts at the rectangle's left, not centred
  EXPECT_GE(ink.top, 10);
  EXPECT_LT(ink.right, 380);
  EXPECT_LT(ink.bottom, 30);
  EXPECT_GT(ink.right - ink.left, 150);  // the whole line, not a few characters
  int near_white = 0;
  for (DWORD p : image) {
    if ((p & 0xFFFFFF) == 0) continue;
    EXPECT_TRUE(red(p) == green(p) && green(p) == blue(p)) << std::hex << p;  // shades of white only
    if (red(p) >= 0xF0) ++near_white;
  }
  EXPECT_GT(near_white, 50);
}

TEST_F(D3dxFont, ColourChannelsKeepTheirPlaces) {
  ID3DXFont* font = make_font();
  for (D3DCOLOR color : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}) {
    draw(font, "Red Green Blue", {10, 10, 390, 40}, 0, color);
    int strongest = 0;
    for (DWORD p : back_buffer()) {
      if ((p & 0xFFFFFF) == 0) continue;
      EXPECT_EQ(p & 0xFFFFFF & ~color, 0u) << std::hex << "pixel " << p << " for colour " << color;
      strongest = std::max({strongest, red(p), green(p), blue(p)});
    }
    EXPECT_GE(strongest, 250) << std::hex << color;
  }
}

TEST_F(D3dxFont, ColourAlphaBlendsTheTextOverTheBackground) {
  ID3DXFont* font = make_font();
  draw(font, "Half", {10, 10, 390, 40}, 0, 0x80FFFFFF);
  int strongest = 0;
  for (DWORD p : back_buffer()) strongest = std::max(strongest, red(p));
  EXPECT_NEAR(strongest, 128, 2);
}

TEST_F(D3dxFont, TextIsClippedAtTheRectangleEdgesUnlessNoClip) {
  ID3DXFont* font = make_font();
  const char* wide = "WWWWWWWWWWWWWWWWWWWW";
  draw(font, wide, {10, 10, 60, 40});
  Ink right = find_ink(back_buffer());
  EXPECT_LE(right.right, 59);
  EXPECT_GE(right.right, 55);  // drawn right up to the edge
  draw(font, wide, {10, 10, 60, 40}, DT_NOCLIP);
  EXPECT_GT(find_ink(back_buffer()).right, 200);

  draw(font, "Hg", {10, 100, 390, 110});  // the rectangle cuts the line at half height
  Ink bottom = find_ink(back_buffer());
  EXPECT_GE(bottom.top, 100);
  EXPECT_EQ(bottom.bottom, 109);
  draw(font, "Hg", {10, 100, 390, 110}, DT_NOCLIP);
  EXPECT_GT(find_ink(back_buffer()).bottom, 112);
}

TEST_F(D3dxFont, CountDrawsOnlyThatManyCharacters) {
  ID3DXFont* font = make_font();
  const RECT rect{10, 10, 390, 40};
  draw(font, "WWWWWW", rect, 0, kWhite, 3);
  std::vector<DWORD> three_of_six = back_buffer();
  draw(font, "WWW", rect);
  std::vector<DWORD> three = back_buffer();
  draw(font, "WWWWWW", rect);
  std::vector<DWORD> six = back_buffer();
  EXPECT_TRUE(three_of_six == three);
  EXPECT_GT(find_ink(six).right, find_ink(three_of_six).right + 20);
}

TEST_F(D3dxFont, LinesBreakAtNewlinesUnlessSingleLine) {
  ID3DXFont* font = make_font();
  const RECT rect{10, 10, 390, 200};
  EXPECT_EQ(draw(font, "Ab\nAb", rect), 40);
  Ink two_lines = find_ink(back_buffer());
  EXPECT_GE(two_lines.bottom, 30);
  EXPECT_LT(two_lines.right, 60);  // the second line starts again at the left

  EXPECT_EQ(draw(font, "Ab\r\nAb", rect), 40);  // CR LF is one break
  EXPECT_EQ(draw(font, "Ab\nAb", rect, DT_SINGLELINE), 20);
  EXPECT_LT(find_ink(back_buffer()).bottom, 30);
}

TEST_F(D3dxFont, AlignmentFlagsPlaceTheTextInTheRectangle) {
  ID3DXFont* font = make_font();
  const RECT rect{100, 100, 300, 300};
  EXPECT_EQ(draw(font, "Edge", rect, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE), 200);
  Ink corner = find_ink(back_buffer());
  EXPECT_GE(corner.right, 295);
  EXPECT_LE(corner.right, 299);
  EXPECT_GE(corner.bottom, 288);
  EXPECT_LE(corner.bottom, 299);

  EXPECT_EQ(draw(font, "Middle", rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 110);
  Ink middle = find_ink(back_buffer());
  EXPECT_NEAR(middle.left - 100, 299 - middle.right, 4);
  EXPECT_NEAR(middle.top - 100, 299 - middle.bottom, 8);
}

// ---- measuring, scenes, sizes and faces ----

TEST_F(D3dxFont, CalcRectMeasuresWithoutDrawing) {
  ID3DXFont* font = make_font();
  clear();
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  RECT measured{20, 30, 21, 31};
  EXPECT_EQ(font->DrawTextA(nullptr, "Kills:000", -1, &measured, DT_CALCRECT, kWhite), 20);
  RECT two_lines{20, 30, 21, 31};
  EXPECT_EQ(font->DrawTextA(nullptr, "A\nB", -1, &two_lines, DT_CALCRECT, kWhite), 40);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  EXPECT_FALSE(find_ink(back_buffer()).any());
  EXPECT_EQ(measured.left, 20);
  EXPECT_EQ(measured.top, 30);
  EXPECT_EQ(measured.bottom, 50);
  EXPECT_EQ(two_lines.bottom, 70);

  // The measured rectangle holds the drawn text.
  draw(font, "Kills:000", {20, 30, 390, 390});
  Ink ink = find_ink(back_buffer());
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, measured.right);
  EXPECT_GE(ink.right, measured.right - 4);
  EXPECT_LT(ink.bottom, measured.bottom);
}

TEST_F(D3dxFont, NothingIsDrawnOutsideAScene) {
  ID3DXFont* font = make_font();
  clear();
  RECT rect{2, 10, 380, 30};
  EXPECT_EQ(font->DrawTextA(nullptr, "Kills:000", -1, &rect, 0, kWhite), 0);
  EXPECT_FALSE(find_ink(back_buffer()).any());
}

TEST_F(D3dxFont, PositiveHeightIsTheCellNegativeTheCharacterHeight) {
  EXPECT_EQ(draw(make_font(40), "Ab", {0, 0, 400, 400}), 40);
  // Arial's (and Liberation Sans') cell is 1.117 em: a 20-pixel em makes a 22-pixel cell.
  EXPECT_EQ(draw(make_font(-20), "Ab", {0, 0, 400, 400}), 22);
}

TEST_F(D3dxFont, BoldWeightDrawsHeavierStrokes) {
  auto coverage = [&](ID3DXFont* font) {
    draw(font, "Kills Time Remaining", {10, 10, 390, 40});
    long sum = 0;
    for (DWORD p : back_buffer()) sum += red(p);
    return sum;
  };
  long bold = coverage(make_font(20, FW_BOLD));
  long regular = coverage(make_font(20, FW_NORMAL));
  EXPECT_GT(bold, regular + regular / 10);
}

TEST_F(D3dxFont, AnUnknownFaceIsSubstitutedAsGdiDoes) {
  ID3DXFont* font = make_font(20, FW_BOLD, "No Such Face Anywhere");
  ASSERT_NE(font, nullptr);
  draw(font, "Text", {10, 10, 390, 40});
  EXPECT_TRUE(find_ink(back_buffer()).any());
}

TEST_F(D3dxFont, GlyphsSurviveTheAtlasGrowing) {
  ID3DXFont* font = make_font(150);
  const RECT rect{0, 0, 400, 400};
  draw(font, "il", rect);
  std::vector<DWORD> before = back_buffer();
  // Every character at this size overflows the first atlas in width and height.
  std::string all;
  for (int c = 0x21; c < 0x100; ++c) all += static_cast<char>(c);
  draw(font, all.c_str(), rect, DT_SINGLELINE);
  draw(font, "il", rect);
  EXPECT_TRUE(before == back_buffer());
  draw(font, "W", rect);
  std::vector<DWORD> late_w = back_buffer();
  draw(make_font(150), "W", rect);
  EXPECT_TRUE(late_w == back_buffer());
}

// ---- living with the device ----

TEST_F(D3dxFont, TheDeviceDrawsNormallyAfterClippedText) {
  ID3DXFont* font = make_font();
  struct Vertex {
    float x, y, z;
    D3DCOLOR color;
  };
  const Vertex quad[4] = {{-1, 1, 0.5f, 0xFF00FF00},
                          {1, 1, 0.5f, 0xFF00FF00},
                          {-1, -1, 0.5f, 0xFF00FF00},
                          {1, -1, 0.5f, 0xFF00FF00}};
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(
      device->CreateVertexBuffer(sizeof quad, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_DEFAULT, &vb, nullptr),
      D3D_OK);
  void* data = nullptr;
  ASSERT_EQ(vb->Lock(0, sizeof quad, &data, 0), D3D_OK);
  std::memcpy(data, quad, sizeof quad);
  vb->Unlock();
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);

  clear();
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  RECT rect{10, 10, 60, 40};
  font->DrawTextA(nullptr, "WWWWWW", -1, &rect, 0, kWhite);
  device->SetStreamSource(0, vb, 0, sizeof(Vertex));
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  std::vector<DWORD> image = back_buffer();
  // The whole back buffer is green: no clipping, blending or depth state left behind.
  for (int index : {0, kSize - 1, kSize * (kSize - 1), kSize * kSize - 1, 20 * kSize + 30})
    EXPECT_EQ(image[static_cast<size_t>(index)] & 0xFFFFFF, 0x00FF00u) << "pixel " << index;
  vb->Release();
}

TEST_F(D3dxFont, AFontOutlivingItsDeviceDrawsNothingAndReleasesCleanly) {
  ID3DXFont* font = make_font();
  fonts.clear();  // released by hand below
  device->Release();
  device = nullptr;
  RECT rect{2, 10, 380, 30};
  EXPECT_EQ(font->DrawTextA(nullptr, "Kills", -1, &rect, 0, kWhite), 0);
  EXPECT_EQ(font->Release(), 0u);
}

TEST_F(D3dxFont, InvalidArgumentsAreRefused) {
  ID3DXFont* font = make_font();
  RECT rect{2, 10, 380, 30};
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(font->DrawTextA(reinterpret_cast<LPD3DXSPRITE>(font), "Kills", -1, &rect, 0, kWhite), 0);
  EXPECT_EQ(font->DrawTextA(nullptr, nullptr, -1, &rect, 0, kWhite), 0);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ID3DXFont* none = nullptr;
  EXPECT_EQ(D3DXCreateFontA(nullptr, 20, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", &none),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateFontA(device, 1 << 20, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", &none),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(none, nullptr);
}

// With no font files at all (fontconfig given an empty configuration), creation fails
// and says which face it could not find. Runs in a fresh process, since fontconfig
// loads its configuration once.
class D3dxFontDeathTest : public D3dxFont {};

TEST_F(D3dxFontDeathTest, WithoutAnyFontFileCreationFailsNamingTheFace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string config = ::testing::TempDir() + "vornex_font_test_no_fonts.conf";
  std::FILE* f = std::fopen(config.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", f);
  std::fclose(f);
  EXPECT_EXIT(
      {
        setenv("FONTCONFIG_FILE", config.c_str(), 1);
        ID3DXFont* font = nullptr;
        HRESULT hr =
            D3DXCreateFontA(device, 20, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0, "Arial", &font);
        std::fflush(stderr);
        std::_Exit(FAILED(hr) && font == nullptr ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "\"Arial\"");
  std::remove(config.c_str());
}

}  // namespace
