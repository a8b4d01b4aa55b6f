#include "screens/widget.h"

#include "gfx/device.h"
#include "gfx/vertex.h"

namespace {

const D3DCOLOR kUntouched = 0x00FFFFFF;
const D3DCOLOR kHighlightTint[4] = {0xFFFFFF80, 0xFFFF80FF, 0xFF80FFFF, 0x80FFFFFF};
const D3DCOLOR kPlainTint = 0x8080FFFF;
const D3DCOLOR kLabelColour = 0xFF008080;
const D3DCOLOR kHighlightedLabelColour = 0xFF00FFFF;

void write_colours(Widget& widget, const D3DCOLOR colours[4]) {
  if (!widget.vertexBuffer) return;
  void* data = nullptr;
  if (FAILED(widget.vertexBuffer->Lock(0, 4 * sizeof(FlexVertex), &data, 0))) return;
  auto* vertices = static_cast<FlexVertex*>(data);
  for (int i = 0; i < 4; ++i) vertices[i].color = colours[i];
  widget.vertexBuffer->Unlock();
}

}  // namespace

void init_widget(Widget& widget, int x, int y, int width, int height, const char* file, float uMax, float vMax) {
  widget.x = x;
  widget.y = y;
  widget.width = width;
  widget.height = height;
  widget.file = file;
  widget.highlighted = false;
  widget.texture = nullptr;
  widget.vertexBuffer = nullptr;
  if (!g_pd3d_render) return;
  D3DXCreateTextureFromFileA(g_pd3d_render, file, &widget.texture);

  const float w = width / 400.0f * 1.7f;
  const float h = height / 400.0f * 1.7f;
  const FlexVertex quad[4] = {
      {0, 0, 0, kUntouched, 0, 0},
      {w, 0, 0, kUntouched, uMax, 0},
      {0, -h, 0, kUntouched, 0, vMax},
      {w, -h, 0, kUntouched, uMax, vMax},
  };
  widget.vertexBuffer = make_vertex_buffer(quad, 4);
}

void release_widget(Widget& widget) {
  if (widget.texture) widget.texture->Release();
  if (widget.vertexBuffer) widget.vertexBuffer->Release();
  widget.texture = nullptr;
  widget.vertexBuffer = nullptr;
}

bool hit_test(Widget& widget, int px, int py) {
  bool inside = widget.x < px && px < widget.x + widget.width && widget.y < py && py < widget.y + widget.height;
  if (inside) {
    write_colours(widget, kHighlightTint);
  } else {
    const D3DCOLOR plain[4] = {kPlainTint, kPlainTint, kPlainTint, kPlainTint};
    write_colours(widget, plain);
  }
  return inside;
}

D3DXMATRIX widget_transform(const Widget& widget) {
  D3DXMATRIX M;
  D3DXMatrixIdentity(&M);
  M._41 = widget.x / 400.0f * 1.7f - 0.85f;
  M._42 = 0.85f - widget.y / 400.0f * 1.7f;
  M._43 = 2.0f;
  return M;
}

void draw_widget(Widget& widget, ID3DXFont* font) {
  if (widget.texture) {
    D3DXMATRIX M = widget_transform(widget);
    g_pmatrix_stack->Push();
    g_pd3d_render->SetTransform(D3DTS_WORLD, &M);
    g_pd3d_render->SetTexture(0, widget.texture);
    g_pd3d_render->SetStreamSource(0, widget.vertexBuffer, 0, sizeof(FlexVertex));
    g_pd3d_render->SetFVF(kFlexVertexFvf);
    g_pd3d_render->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    g_pmatrix_stack->Pop();
  } else if (font) {
    RECT rect{widget.x, widget.y, widget.x + widget.width, widget.y + widget.height};
    font->DrawTextA(nullptr, widget.file, -1, &rect, 0,
                    widget.highlighted ? kHighlightedLabelColour : kLabelColour);
  }
}

void draw_screen(Widget* const* widgets, int count, ID3DXFont* font) {
  g_pd3d_render->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  g_pd3d_render->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  g_pd3d_render->SetRenderState(D3DRS_ALPHAREF, 8);
  g_pd3d_render->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  g_pd3d_render->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  g_pd3d_render->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  g_pd3d_render->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_pd3d_render->BeginScene();
  for (int i = 0; i < count; ++i) draw_widget(*widgets[i], font);
  g_pd3d_render->EndScene();
  g_pd3d_render->Present(nullptr, nullptr, nullptr, nullptr);
}

ID3DXFont* create_label_font() {
  ID3DXFont* font = nullptr;
  if (g_pd3d_render) D3DXCreateFontA(g_pd3d_render, 20, 0, 700, 0, FALSE, 1, 0, 0, 0, "Arial", &font);
  return font;
}
