// Screen widgets: the strict hit test and its tints, where a widget is placed, and the
// file name shown when an image is missing.
#include "screens/widget.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/game_device.h"

namespace {

D3DCOLOR vertex_colour(Widget& widget, int vertex) {
  void* data = nullptr;
  EXPECT_EQ(widget.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  D3DCOLOR colour = static_cast<const DWORD*>(data)[vertex * 6 + 3];
  widget.vertexBuffer->Unlock();
  return colour;
}

bool near(DWORD actual, DWORD expected) {
  for (int shift : {16, 8, 0})
    if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 24) return false;
  return true;
}

using WidgetOnDevice = GameDevice;

}  // namespace

TEST(Widget, HitTestIsStrictOnAllFourEdges) {
  Widget play;  // no device: the rectangle alone
  init_widget(play, 9, 120, 381, 95, "Art\\Menu1.png", 0.744140625f, 0.7734375f);
  EXPECT_TRUE(hit_test(play, 10, 121));
  EXPECT_FALSE(hit_test(play, 9, 121));
  EXPECT_FALSE(hit_test(play, 390, 121));
  EXPECT_FALSE(hit_test(play, 10, 215));
  EXPECT_FALSE(hit_test(play, 10, 120));
  EXPECT_TRUE(hit_test(play, 389, 214));
}

TEST(Widget, FullScreenWidgetSitsAtTheTopLeftOfTheViewAtDepthTwo) {
  Widget screen;
  init_widget(screen, 0, 0, 400, 400, "Art\\Title.png", 0.78125f, 0.78125f);
  D3DXMATRIX m = widget_transform(screen);
  EXPECT_FLOAT_EQ(m._41, -0.85f);
  EXPECT_FLOAT_EQ(m._42, 0.85f);
  EXPECT_FLOAT_EQ(m._43, 2.0f);
  EXPECT_FLOAT_EQ(m._11, 1.0f);
  Widget button;
  init_widget(button, 200, 100, 10, 10, "x.png", 1, 1);
  m = widget_transform(button);
  EXPECT_FLOAT_EQ(m._41, 0.0f);
  EXPECT_FLOAT_EQ(m._42, 0.425f);
}

TEST_F(WidgetOnDevice, QuadSpansItsSizeAndHitTestsWriteTheTints) {
  Widget widget;
  init_widget(widget, 0, 0, 400, 400, "missing.png", 0.78125f, 0.78125f);
  ASSERT_NE(widget.vertexBuffer, nullptr);
  void* data = nullptr;
  ASSERT_EQ(widget.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const float* v = static_cast<const float*>(data);
  EXPECT_FLOAT_EQ(v[6 * 3 + 0], 1.7f) << "vertex 3 x";
  EXPECT_FLOAT_EQ(v[6 * 3 + 1], -1.7f) << "vertex 3 y";
  EXPECT_FLOAT_EQ(v[6 * 3 + 4], 0.78125f) << "vertex 3 u";
  widget.vertexBuffer->Unlock();
  EXPECT_EQ(vertex_colour(widget, 0), 0x00FFFFFFu) << "untouched quads stay white";

  EXPECT_TRUE(hit_test(widget, 200, 200));
  EXPECT_EQ(vertex_colour(widget, 0), 0xFFFFFF80u);
  EXPECT_EQ(vertex_colour(widget, 1), 0xFFFF80FFu);
  EXPECT_EQ(vertex_colour(widget, 2), 0xFF80FFFFu);
  EXPECT_EQ(vertex_colour(widget, 3), 0x80FFFFFFu);
  EXPECT_FALSE(hit_test(widget, 0, 200));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(vertex_colour(widget, i), 0x8080FFFFu);
  release_widget(widget);
}

TEST_F(WidgetOnDevice, MissingImageShowsItsFileNameInTealOrCyan) {
  Widget widget;
  init_widget(widget, 100, 150, 200, 50, "Art\\NoSuchImage.png", 1, 1);
  ASSERT_EQ(widget.texture, nullptr);
  ID3DXFont* font = create_label_font();
  ASSERT_NE(font, nullptr);
  Widget* widgets[] = {&widget};
  draw_screen(widgets, 1, font);
  // The label starts at the rectangle's top left: teal text near there, nothing above it.
  bool teal = false;
  for (int y = 150; y < 170 && !teal; ++y)
    for (int x = 100; x < 140 && !teal; ++x) teal = near(pixel(x, y), 0x008080);
  EXPECT_TRUE(teal);
  for (int x = 100; x < 300; ++x) EXPECT_EQ(pixel(x, 148), 0u);
  widget.highlighted = true;
  draw_screen(widgets, 1, font);
  bool cyan = false;
  for (int y = 150; y < 170 && !cyan; ++y)
    for (int x = 100; x < 140 && !cyan; ++x) cyan = near(pixel(x, y), 0x00FFFF);
  EXPECT_TRUE(cyan);
  font->Release();
  release_widget(widget);
}
