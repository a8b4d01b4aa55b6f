#include "assets/loading_screen.h"

#include <d3dx9.h>

#include "assets/manifest.h"
#include "gfx/device.h"
#include "gfx/vertex.h"
#include "sound/sound.h"

bool g_assets_loaded = false;
float g_load_progress = 0.0f;
int g_sound_count = 0;
const char* g_load_failed_file = nullptr;

namespace {

// The dark frame and the red quad, made for the loading and released after it (nothing
// else draws them).
IDirect3DVertexBuffer9* g_bar_dark = nullptr;
IDirect3DVertexBuffer9* g_bar_red = nullptr;

void release_bar_quads() {
  if (g_bar_dark) g_bar_dark->Release();
  if (g_bar_red) g_bar_red->Release();
  g_bar_dark = nullptr;
  g_bar_red = nullptr;
}

void draw_loading_frame() {
  g_pd3d_render->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_pd3d_render->BeginScene();
  draw_bar(1.0f, 0.1f, g_bar_red);
  draw_bar(0.99f, 0.09f, g_bar_dark);
  draw_bar(g_load_progress, 0.08f, g_bar_red);
  g_pd3d_render->EndScene();
  g_pd3d_render->Present(nullptr, nullptr, nullptr, nullptr);
}

bool load_every_entry();

bool load_entry(AssetRecord& entry) {
  switch (entry.kind) {
    case kAssetMesh: {
      ID3DXBuffer* pD3DXMtrlBuffer = nullptr;
      DWORD g_dwNumMaterials = 0;
      ID3DXMesh* mesh = nullptr;
      HRESULT hr = D3DXLoadMeshFromXA(entry.file, D3DXMESH_SYSTEMMEM, g_pd3d_render, nullptr, &pD3DXMtrlBuffer,
                                      nullptr, &g_dwNumMaterials, &mesh);
      // The skin comes from the texture entry with the same key, not the materials.
      if (pD3DXMtrlBuffer) pD3DXMtrlBuffer->Release();
      entry.handle = mesh;
      return SUCCEEDED(hr);
    }
    case kAssetTexture: {
      IDirect3DTexture9* texture = nullptr;
      HRESULT hr = D3DXCreateTextureFromFileA(g_pd3d_render, entry.file, &texture);
      entry.handle = texture;
      return SUCCEEDED(hr);
    }
    case kAssetSound: {
      int slot = g_sound_count++;
      return load_wav(slot, entry.file);
    }
    default:
      return true;
  }
}

}  // namespace

bool load_assets() {
  if (g_assets_loaded) return true;
  g_load_failed_file = nullptr;
  g_bar_dark = make_bar_quad(0x00000000);
  g_bar_red = make_bar_quad(0x00FF0000);
  if (!g_bar_dark || !g_bar_red) {
    release_bar_quads();
    return false;
  }
  bool loaded = load_every_entry();
  release_bar_quads();
  g_assets_loaded = loaded;
  return loaded;
}

namespace {

bool load_every_entry() {
  for (int i = 0; i < g_asset_count; ++i) {
    g_load_progress += 0.985f / g_asset_count;
    draw_loading_frame();  // drawn before the entry loads, so it already counts it
    if (!load_entry(g_assets[i])) {
      g_load_failed_file = g_assets[i].file;
      return false;
    }
    Sleep(10);
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return false;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

}  // namespace

IDirect3DVertexBuffer9* make_bar_quad(D3DCOLOR colour) {
  const FlexVertex Progress_Data[4] = {
      {-1.7f, 1.7f, 0.0f, colour, 0.0f, 0.0f},
      {1.7f, 1.7f, 0.0f, colour, 0.0f, 1.0f},
      {-1.7f, -1.7f, 0.0f, colour, 1.0f, 0.0f},
      {1.7f, -1.7f, 0.0f, colour, 1.0f, 1.0f},
  };
  return make_vertex_buffer(Progress_Data, 4);
}

// The view is left at identity and the projection is the game's, so a quad of scale 1
// at distance 4.2 covers about 97.7 per cent of the viewport.
bool draw_bar(float sx, float sy, IDirect3DVertexBuffer9* quad) {
  D3DXMATRIX menuMat;
  D3DXMatrixIdentity(&menuMat);
  menuMat._11 = sx;
  menuMat._22 = sy;
  menuMat._33 = 1.0f;
  menuMat._41 = 0.0f;
  menuMat._42 = 0.0f;
  menuMat._43 = 4.2f;
  g_pd3d_render->SetTransform(D3DTS_WORLD, &menuMat);
  g_pd3d_render->SetStreamSource(0, quad, 0, sizeof(FlexVertex));
  g_pd3d_render->SetFVF(kFlexVertexFvf);
  g_pd3d_render->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  return true;
}
