// Screen widgets: image quads in the 400 x 400 screen space of the menus (origin top
// left, y down), with a strict hit test that tints the quad, and the file name printed
// in the screen's label font when the image failed to load.
#ifndef VORNEX_SCREENS_WIDGET_H
#define VORNEX_SCREENS_WIDGET_H

#include <d3dx9.h>

struct Widget {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  const char* file = "";
  bool highlighted = false;
  IDirect3DTexture9* texture = nullptr;  // null when the image failed to load
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
};

// Fills the widget and loads its image and quad; uMax and vMax are the texture
// coordinates of the picture's right and bottom edges inside its texture.
void init_widget(Widget& widget, int x, int y, int width, int height, const char* file, float uMax, float vMax);
// The widget owns its texture and quad; the screen that holds it releases them.
void release_widget(Widget& widget);

// Whether (px, py) lies strictly inside; tints the quad accordingly.
bool hit_test(Widget& widget, int px, int py);

// The world matrix that puts the widget's top-left corner in front of the viewer.
D3DXMATRIX widget_transform(const Widget& widget);

// Draws the widget inside a scene: its image, or its file name in `font`.
void draw_widget(Widget& widget, ID3DXFont* font);

// One whole frame of a menu screen: the widgets in order, later ones on top.
void draw_screen(Widget* const* widgets, int count, ID3DXFont* font);

// The label font every screen owns; null without a device.
ID3DXFont* create_label_font();

#endif  // VORNEX_SCREENS_WIDGET_H
