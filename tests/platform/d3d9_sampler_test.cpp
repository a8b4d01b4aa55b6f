// Sampler states reach OpenGL when a draw needs them, not when they are set: every
// change must still be in force for the next draw, and a change undone before the draw
// must leave the draw as it was.
#include <cstdint>

#include "d3d9/d3d9_internal.h"
#include "device_fixture.h"

namespace {

// A full-width band between y0 and y1 (view units at z 2), sampling u from 0.5 at the
// left edge to 1.5 at the right.
std::vector<Vertex> band(float y0, float y1) {
  return {{-2, y1, 2, 0xFFFFFFFF, 0.5f, 0},
          {2, y1, 2, 0xFFFFFFFF, 1.5f, 0},
          {-2, y0, 2, 0xFFFFFFFF, 0.5f, 1},
          {2, y0, 2, 0xFFFFFFFF, 1.5f, 1}};
}

class D3d9Samplers : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    // Two texels, red then blue, sampled with point filtering (the default). Past
    // u = 1, wrapping comes back to red, clamping stays on blue.
    const std::uint8_t rgba[8] = {255, 0, 0, 255, 0, 0, 255, 255};
    texture = D3d9TextureState::create_rgba(device, 2, 1, rgba);
    ASSERT_NE(texture, nullptr);
    device->SetTexture(0, texture);
  }
  void TearDown() override {
    device->SetTexture(0, nullptr);
    if (texture) texture->Release();
    D3d9Device::TearDown();
  }
  void address(DWORD mode) {
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, mode);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, mode);
  }
  // The right end of the band whose centre row is y (pixels).
  DWORD right_end(int y) { return pixel(kSize - 4, y); }

  IDirect3DTexture9* texture = nullptr;
};

TEST_F(D3d9Samplers, AChangeBetweenDrawsReachesTheNextDraw) {
  clear(0xFF000000);
  device->BeginScene();
  address(D3DTADDRESS_WRAP);
  draw(make_buffer(band(0.5f, 2)));  // top quarter
  address(D3DTADDRESS_CLAMP);
  draw(make_buffer(band(-2, -0.5f)));  // bottom quarter
  device->EndScene();
  EXPECT_TRUE(rgb_near(right_end(8), 0xFF0000)) << "wrapped past u = 1";
  EXPECT_TRUE(rgb_near(right_end(kSize - 8), 0x0000FF)) << "clamped past u = 1";
  EXPECT_TRUE(rgb_near(pixel(4, kSize - 8), 0x0000FF)) << "u 0.5 .. 1 is the second texel";
}

TEST_F(D3d9Samplers, AChangeUndoneBeforeTheDrawLeavesTheDrawAsItWas) {
  clear(0xFF000000);
  device->BeginScene();
  address(D3DTADDRESS_CLAMP);
  draw(make_buffer(band(0.5f, 2)));
  // Set and restored around nothing, as an effect's Begin and End do around an object.
  address(D3DTADDRESS_WRAP);
  address(D3DTADDRESS_CLAMP);
  draw(make_buffer(band(-2, -0.5f)));
  device->EndScene();
  EXPECT_TRUE(rgb_near(right_end(8), 0x0000FF));
  EXPECT_TRUE(rgb_near(right_end(kSize - 8), 0x0000FF));
}

TEST_F(D3d9Samplers, FilterChangesReachTheDrawToo) {
  // The middle column samples u = 1: the edge between the blue texel and the wrapped
  // red one. Point filtering takes one of them, linear filtering mixes both.
  clear(0xFF000000);
  device->BeginScene();
  draw(make_buffer(band(0.5f, 2)));  // point: the centre column (u = 1) is one texel
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  draw(make_buffer(band(-2, -0.5f)));
  device->EndScene();
  const DWORD point = pixel(kSize / 2, 8);
  const DWORD linear = pixel(kSize / 2, kSize - 8);
  EXPECT_TRUE(rgb_near(point, 0xFF0000) || rgb_near(point, 0x0000FF)) << "point sampling takes one texel";
  EXPECT_GT((linear >> 16) & 0xFF, 0x40u) << "linear sampling mixes red in";
  EXPECT_GT(linear & 0xFF, 0x40u) << "and blue";
}

}  // namespace
