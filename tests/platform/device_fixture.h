// A device on a small offscreen window (support/offscreen_device.h), with helpers to draw
// quads: the fixture of the platform's pixel tests.
#ifndef VORNEX_TESTS_DEVICE_FIXTURE_H
#define VORNEX_TESTS_DEVICE_FIXTURE_H

#include <d3dx9.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/offscreen_device.h"

namespace device_test {

struct Vertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
const DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
const int kSize = 64;

// The offscreen device with lighting and culling off and a projection that makes the
// pixel positions easy to work out.
class D3d9Device : public OffscreenDevice {
 protected:
  D3d9Device() : OffscreenDevice(kSize) {}

  void SetUp() override {
    OffscreenDevice::SetUp();
    if (HasFatalFailure()) return;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Camera at the origin looking along +z; at z = 2 the view spans -2 .. 2.
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_PROJECTION, &proj);
  }

  void TearDown() override {
    for (auto* vb : buffers) vb->Release();
    OffscreenDevice::TearDown();
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

  std::vector<IDirect3DVertexBuffer9*> buffers;
};

// Compares the colour channels within +-1 (alpha of the back buffer is not compared).
inline ::testing::AssertionResult rgb_near(DWORD actual, DWORD expected) {
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

}  // namespace device_test

using device_test::D3d9Device;
using device_test::Vertex;
using device_test::kFvf;
using device_test::kSize;
using device_test::rgb_near;

#endif  // VORNEX_TESTS_DEVICE_FIXTURE_H
