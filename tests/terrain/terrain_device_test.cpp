// The terrain on a real (offscreen) device: its vertex buffer, its one draw call, and
// the release of the buffer with the terrain.
#include "terrain/terrain.h"

#include <cstring>

#include "gfx/device.h"
#include "math/random.h"
#include "platform/device_fixture.h"

namespace {

const UINT kBufferBytes = 2396304;  // 99,846 vertices of 24 bytes

class TerrainOnDevice : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    g_pd3d_render = device;
    random_reset();
  }
  void TearDown() override {
    d3d9_record_draws(device, nullptr);
    g_pd3d_render = nullptr;
    D3d9Device::TearDown();
  }
};

}  // namespace

TEST_F(TerrainOnDevice, BufferHoldsTheWholeVertexArray) {
  Terrain terrain;
  ASSERT_TRUE(terrain.generate(129, 129));
  ASSERT_NE(terrain.vertexBuffer, nullptr);
  void* data = nullptr;
  ASSERT_EQ(terrain.vertexBuffer->Lock(0, kBufferBytes, &data, 0), D3D_OK);
  EXPECT_EQ(std::memcmp(data, terrain.vertices.data(), kBufferBytes), 0);
  terrain.vertexBuffer->Unlock();
  EXPECT_NE(terrain.vertexBuffer->Lock(0, kBufferBytes + 1, &data, 0), D3D_OK)
      << "no byte more than the array";
}

TEST_F(TerrainOnDevice, DrawIsOneTriangleListOverEverySlot) {
  Terrain terrain;
  terrain.generate(129, 129);
  std::vector<D3d9DrawRecord> draws;
  d3d9_record_draws(device, &draws);
  device->BeginScene();
  terrain.draw_terrain();
  device->EndScene();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
  EXPECT_EQ(draws[0].startVertex, 0u);
  EXPECT_EQ(draws[0].primitiveCount, 33282u);
  EXPECT_EQ(draws[0].stream, terrain.vertexBuffer);
  EXPECT_EQ(draws[0].fvf, 0x142u);
}

TEST_F(TerrainOnDevice, TerrainMadeWithoutADeviceSamplesButDrawsNothing) {
  g_pd3d_render = nullptr;
  Terrain terrain;
  EXPECT_FALSE(terrain.generate(129, 129));
  g_pd3d_render = device;
  std::vector<D3d9DrawRecord> draws;
  d3d9_record_draws(device, &draws);
  device->BeginScene();
  terrain.draw_terrain();
  device->EndScene();
  EXPECT_TRUE(draws.empty());
  EXPECT_EQ(terrain.terrain_height(5.0f, 6.0f), terrain.heights[6 * 129 + 5]);
}

TEST_F(TerrainOnDevice, TerrainReleasesItsBufferWhenRegeneratedAndWhenDiscarded) {
  IDirect3DVertexBuffer9* first = nullptr;
  IDirect3DVertexBuffer9* second = nullptr;
  {
    Terrain terrain;
    terrain.generate(33, 33);
    first = terrain.vertexBuffer;
    first->AddRef();
    terrain.generate(33, 33);
    second = terrain.vertexBuffer;
    ASSERT_NE(second, nullptr);
    second->AddRef();
    EXPECT_EQ(first->Release(), 0u) << "the old buffer was let go on regeneration";
  }
  EXPECT_EQ(second->Release(), 0u) << "the terrain's destructor let its buffer go";
}
