// The Direct3D 9 device on OpenGL, checked by its pixels: the classic translation faults
// (matrix convention, handedness, depth range, colour byte order, alpha test, blending,
// depth clears, strip winding) each change what lands in the back buffer.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "d3d9/d3d9_inspect.h"

namespace {

struct Vertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
const DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
const int kSize = 64;

LRESULT CALLBACK plain_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

class D3d9Device : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "DeviceTest";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    hwnd = CreateWindowExA(0, "DeviceTest", "device", WS_OVERLAPPEDWINDOW, 0, 0, kSize, kSize, nullptr, nullptr,
                           nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferFormat = mode.Format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                &device),
              D3D_OK);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Camera at the origin looking along +z; at z = 2 the view spans -2 .. 2.
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_PROJECTION, &proj);
  }

  void TearDown() override {
    for (auto* vb : buffers) vb->Release();
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (hwnd) DestroyWindow(hwnd);
    UnregisterClassA("DeviceTest", nullptr);
  }

  IDirect3DVertexBuffer9* make_buffer(const std::vector<Vertex>& vertices) {
    IDirect3DVertexBuffer9* vb = nullptr;
    UINT bytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
    EXPECT_EQ(device->CreateVertexBuffer(bytes, 0, kFvf, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, bytes, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), bytes);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    buffers.push_back(vb);
    return vb;
  }

  // A quad as a strip: top left, top right, bottom left, bottom right.
  IDirect3DVertexBuffer9* quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR c) {
    return make_buffer({{x0, y1, z, c, 0, 0}, {x1, y1, z, c, 1, 0}, {x0, y0, z, c, 0, 1}, {x1, y0, z, c, 1, 1}});
  }

  void draw(IDirect3DVertexBuffer9* vb, UINT primitives = 2, D3DPRIMITIVETYPE type = D3DPT_TRIANGLESTRIP) {
    device->SetStreamSource(0, vb, 0, sizeof(Vertex));
    device->SetFVF(kFvf);
    EXPECT_EQ(device->DrawPrimitive(type, 0, primitives), D3D_OK);
  }

  void clear(D3DCOLOR c) { device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0); }

  DWORD pixel(int x, int y) {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;
    EXPECT_TRUE(d3d9_read_back_buffer(device, &w, &h, &pixels));
    return pixels[static_cast<size_t>(y) * w + x];
  }

  HWND hwnd = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  std::vector<IDirect3DVertexBuffer9*> buffers;
};

// Compares the colour channels within +-1 (alpha of the back buffer is not compared).
::testing::AssertionResult rgb_near(DWORD actual, DWORD expected) {
  for (int shift : {16, 8, 0}) {
    int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > 1) {
      char text[64];
      std::snprintf(text, sizeof text, "pixel %06X, expected %06X", unsigned(actual & 0xFFFFFF),
                    unsigned(expected & 0xFFFFFF));
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(D3d9Device, QuadLandsWhereRowVectorLeftHandedMatricesPutIt) {
  clear(0xFF000000);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  // x 0..2, y 0..2 at z 2: the top right quarter of the screen.
  draw(quad(0, 0, 2, 2, 2, 0xFFFF0000));
  // The same quad translated by (-2, -2, 0) through the fourth row: bottom left quarter.
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, -2, -2, 0);
  device->SetTransform(D3DTS_WORLD, &world);
  draw(quad(0, 0, 2, 2, 2, 0xFF00FF00));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(48, 16), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(16, 48), 0x00FF00));
  EXPECT_TRUE(rgb_near(pixel(16, 16), 0x000000));
  EXPECT_TRUE(rgb_near(pixel(48, 48), 0x000000));
}

TEST_F(D3d9Device, ViewMatrixAndDepthRangeFollowDirect3D) {
  // Eye at (0, 0, -10) looking at the origin: the quad at z 2 is 12 units away, its
  // right edge at x 2 is at 2/12 of the half-width right of centre.
  D3DXMATRIX view;
  D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  device->SetTransform(D3DTS_VIEW, &view);
  clear(0xFF000000);
  device->BeginScene();
  draw(quad(-2, -2, 2, 2, 2, 0xFFFFFFFF));
  // Behind the far plane (z 100 from the eye): clipped away.
  draw(quad(-50, -50, 50, 50, 95, 0xFFFF0000));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0xFFFFFF));
  EXPECT_TRUE(rgb_near(pixel(32 + 4, 32), 0xFFFFFF));   // 2/12 * 32 = 5.3 pixels
  EXPECT_TRUE(rgb_near(pixel(32 + 7, 32), 0x000000));
  EXPECT_TRUE(rgb_near(pixel(2, 2), 0x000000)) << "a quad past the far plane is clipped";
}

TEST_F(D3d9Device, VertexColoursKeepRedAndBlueApart) {
  clear(0xFF000000);
  device->BeginScene();
  draw(quad(-2, 0, 0, 2, 2, 0xFFFF0000));  // red, top left
  draw(quad(0, 0, 2, 2, 2, 0xFF0000FF));   // blue, top right
  draw(quad(-2, -2, 2, 0, 2, 0xFF204060));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(16, 16), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(48, 16), 0x0000FF));
  EXPECT_TRUE(rgb_near(pixel(32, 48), 0x204060));
}

TEST_F(D3d9Device, AlphaTestGreaterEqualEightKeepsEightAndDropsSeven) {
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetRenderState(D3DRS_ALPHAREF, 8);
  clear(0xFF000000);
  device->BeginScene();
  draw(quad(-2, -2, 0, 2, 2, 0x07FFFFFF));
  draw(quad(0, -2, 2, 2, 2, 0x08FFFFFF));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(16, 32), 0x000000)) << "alpha 7 is discarded";
  EXPECT_TRUE(rgb_near(pixel(48, 32), 0xFFFFFF)) << "alpha 8 is kept";
}

TEST_F(D3d9Device, BlendingSourceAlphaOverInverseSourceAlpha) {
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  clear(0xFF0000FF);
  device->BeginScene();
  draw(quad(-2, -2, 2, 2, 2, 0x40FF0000));  // a quarter red over blue
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x4000BF));
}

TEST_F(D3d9Device, ClearingDepthAloneLetsLaterDrawsThroughAndKeepsTheColour) {
  clear(0xFF000000);
  device->BeginScene();
  draw(quad(-2, -2, 2, 2, 2, 0xFF00FF00));   // near, green
  draw(quad(-9, -9, 9, 9, 9, 0xFFFF0000));   // farther, red: hidden by the depth test
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x00FF00));
  device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x00FF00)) << "a depth clear leaves the colour";
  device->BeginScene();
  draw(quad(-1, -1, 1, 1, 9, 0xFFFF0000));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0xFF0000)) << "after the depth clear the far quad shows";
  EXPECT_TRUE(rgb_near(pixel(2, 32), 0x00FF00));
}

TEST_F(D3d9Device, StripTrianglesShareOneWindingAndCullingFollowsIt) {
  IDirect3DVertexBuffer9* vb = quad(-2, -2, 2, 2, 2, 0xFFFFFFFF);
  // On screen the strip's triangles run clockwise: counter-clockwise culling keeps
  // both, clockwise culling removes both, no culling keeps both.
  for (DWORD cull : {DWORD(D3DCULL_NONE), DWORD(D3DCULL_CCW), DWORD(D3DCULL_CW)}) {
    device->SetRenderState(D3DRS_CULLMODE, cull);
    clear(0xFF000000);
    device->BeginScene();
    draw(vb);
    device->EndScene();
    DWORD expected = cull == D3DCULL_CW ? 0x000000 : 0xFFFFFF;
    EXPECT_TRUE(rgb_near(pixel(10, 10), expected)) << "cull mode " << cull;
    EXPECT_TRUE(rgb_near(pixel(54, 54), expected)) << "cull mode " << cull;
  }
}

TEST_F(D3d9Device, DrawsAreRefusedOutsideASceneOrPastTheBuffer) {
  IDirect3DVertexBuffer9* vb = quad(-2, -2, 2, 2, 2, 0xFFFFFFFF);
  device->SetStreamSource(0, vb, 0, sizeof(Vertex));
  device->SetFVF(kFvf);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL) << "outside BeginScene";
  device->BeginScene();
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3), D3DERR_INVALIDCALL) << "reads a fifth vertex";
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 1), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL) << "scenes do not nest";
  device->EndScene();
  void* data = nullptr;
  EXPECT_EQ(vb->Lock(0, 200, &data, 0), D3DERR_INVALIDCALL) << "lock past the end";
  EXPECT_EQ(data, nullptr);
}

TEST_F(D3d9Device, ABufferIsSentAtUnlockAndRelockedContentsPersist) {
  IDirect3DVertexBuffer9* vb = quad(-2, -2, 2, 2, 2, 0xFFFF0000);
  void* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  auto* vertices = static_cast<Vertex*>(data);
  EXPECT_EQ(vertices[3].color, 0xFFFF0000u) << "Lock shows what was written before";
  for (int i = 0; i < 4; ++i) vertices[i].color = 0xFF00FF00;
  clear(0xFF000000);
  device->BeginScene();
  device->SetStreamSource(0, vb, 0, sizeof(Vertex));
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL) << "a locked buffer";
  vb->Unlock();
  draw(vb);
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x00FF00));
}

TEST_F(D3d9Device, ResizedWindowKeepsTheBackBufferAndPresentSucceeds) {
  clear(0xFF336699);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  int w = 0, h = 0;
  std::vector<DWORD> pixels;
  ASSERT_TRUE(d3d9_read_back_buffer(device, &w, &h, &pixels));
  EXPECT_EQ(w, kSize);
  EXPECT_EQ(h, kSize);
  RECT rc{0, 0, 0, 0};
  GetClientRect(hwnd, &rc);
  EXPECT_EQ(rc.right, kSize);
}

TEST(D3d9Creation, RefusesWhatTheDeviceCannotBe) {
  EXPECT_EQ(Direct3DCreate9(31), nullptr) << "another SDK version";
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DCAPS9 caps;
  ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_NE(caps.VertexProcessingCaps, 0u);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(1);
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &pp, &device),
            D3DERR_INVALIDCALL)
      << "no window";
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(d3d->Release(), 0u);
}
