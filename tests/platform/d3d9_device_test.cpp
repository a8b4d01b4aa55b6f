// The Direct3D 9 device on OpenGL, checked by its pixels: the classic translation faults
// (matrix convention, handedness, depth range, colour byte order, alpha test, blending,
// depth clears, strip winding) each change what lands in the back buffer.
#include "device_fixture.h"

#include <chrono>

#include "d3d9/present_pacing.h"
#include "win32/virtual_clock.h"

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
  EXPECT_TRUE(rgb_near(pixel(32 + 4, 32), 0xFFFFFF));  // 2/12 * 32 = 5.3 pixels
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
  draw(quad(-2, -2, 2, 2, 2, 0xFF00FF00));  // near, green
  draw(quad(-9, -9, 9, 9, 9, 0xFFFF0000));  // farther, red: hidden by the depth test
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

// The offscreen driver's swap never waits, as on a display without vsync: Present itself
// holds each frame to one refresh after the previous one.
TEST_F(D3d9Device, PresentReturnsNoSoonerThanOneRefreshAfterThePreviousOne) {
  ASSERT_TRUE(present_pacing_active());
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  const double period = std::chrono::duration<double, std::milli>(
      d3d9::refresh_period(static_cast<int>(mode.RefreshRate))).count();
  // The first Present also builds what the copy to the window needs: not timed.
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  // Three Presents after the first: two whole refreshes and all but a moment of a third.
  const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(elapsed, 2 * period);
}

TEST(PresentPacing, WaitsOutTheRestOfOneRefreshOnTheRealClockOnly) {
  using std::chrono::milliseconds;
  using std::chrono::nanoseconds;
  EXPECT_EQ(d3d9::refresh_period(0), nanoseconds(16666666)) << "unknown rate: 60 Hz";
  EXPECT_EQ(d3d9::refresh_period(-5), nanoseconds(16666666));
  EXPECT_EQ(d3d9::refresh_period(75), nanoseconds(13333333));
  const auto t0 = std::chrono::steady_clock::now();
  const auto period = d3d9::refresh_period(60);
  EXPECT_EQ(d3d9::present_wait(t0, t0 + milliseconds(5), period), period - milliseconds(5));
  EXPECT_EQ(d3d9::present_wait(t0, t0 + period, period), nanoseconds(0)) << "a swap that waited for the retrace";
  EXPECT_EQ(d3d9::present_wait(t0, t0 + milliseconds(40), period), nanoseconds(0)) << "a slow frame";

  EXPECT_TRUE(present_pacing_active());
  virtual_clock_enable(0);
  EXPECT_FALSE(present_pacing_active()) << "the headless driver's virtual clock is never held back";
  virtual_clock_disable();
  present_pacing_enable(false);
  EXPECT_FALSE(present_pacing_active()) << "switched off, as the benchmark does";
  present_pacing_enable(true);
  EXPECT_TRUE(present_pacing_active());
}

// The game's back buffer takes the display mode's format, so the mode names one the device draws in.
TEST_F(D3d9Device, DisplayModeIsTheDesktopsInX8R8G8B8) {
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_GT(mode.Width, 0u);
  EXPECT_GT(mode.Height, 0u);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL) << "a second adapter";
  EXPECT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, nullptr), D3DERR_INVALIDCALL);
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
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
            D3DERR_INVALIDCALL)
      << "no window";
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(d3d->Release(), 0u);
}
