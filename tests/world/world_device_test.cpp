// The World on a device with the game's assets: the skins and meshes it binds, the
// particle quad and the sky cube it fills, and the references it gives back when it is
// discarded, also over many games in a row (the run the leak check makes under
// LeakSanitizer).
#include "world/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "app/shell.h"
#include "assets/manifest.h"
#include "gfx/vertex.h"
#include "math/camera.h"
#include "support/loaded_game.h"

namespace {

template <typename T>
ULONG references(T* object) {
  object->AddRef();
  return object->Release();
}

// Reads a whole vertex buffer; the buffer must be exactly `count` vertices long.
std::vector<FlexVertex> read_vertices(IDirect3DVertexBuffer9* buffer, UINT count) {
  std::vector<FlexVertex> vertices;
  const UINT bytes = count * sizeof(FlexVertex);
  void* data = nullptr;
  if (buffer->Lock(0, bytes + 1, &data, 0) == D3D_OK) {
    buffer->Unlock();
    ADD_FAILURE() << "the buffer is longer than " << count << " vertices";
    return vertices;
  }
  if (buffer->Lock(0, bytes, &data, 0) != D3D_OK) {
    ADD_FAILURE() << "cannot lock " << bytes << " bytes";
    return vertices;
  }
  const FlexVertex* first = static_cast<const FlexVertex*>(data);
  vertices.assign(first, first + count);
  buffer->Unlock();
  return vertices;
}

// The references every World takes on the device and the shared textures, which it must
// give back.
struct SharedReferences {
  ULONG device, plasma1, plasma2, blur;

  static SharedReferences now() {
    return {references(g_pd3d_render), references(find_texture("PLASMA1")), references(find_texture("PLASMA2")),
            references(find_texture("BLURPART"))};
  }
};

void expect_same(const SharedReferences& a, const SharedReferences& b) {
  EXPECT_EQ(a.device, b.device);
  EXPECT_EQ(a.plasma1, b.plasma1);
  EXPECT_EQ(a.plasma2, b.plasma2);
  EXPECT_EQ(a.blur, b.blur);
}

class WorldOnDevice : public LoadedGame {
 protected:
  void SetUp() override {
    LoadedGame::SetUp();
    savedCamera = g_camera;
    savedState = g_screen_state;
  }
  void TearDown() override {
    g_camera = savedCamera;
    g_screen_state = savedState;
    LoadedGame::TearDown();
  }

  Camera savedCamera{};
  int savedState = 0;
};

}  // namespace

TEST_F(WorldOnDevice, FullConstructionMakesEveryPart) {
  World world;
  EXPECT_NE(world.quadBuffer, nullptr);
  EXPECT_NE(world.skyBuffer, nullptr);
  EXPECT_NE(world.font, nullptr);
  EXPECT_NE(world.terrain.vertexBuffer, nullptr);
  for (ShaderEffect* effect : {world.terrainEffect, world.plasmaEffect, world.particleEffect}) {
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(effect->effect, nullptr) << "the run directory's effect files compile";
  }
  EXPECT_EQ(world.timeRemaining, 180.0f);
  EXPECT_EQ(world.kills, 0);
}

TEST_F(WorldOnDevice, ModelsShowTheManifestMeshesAndSkins) {
  World world;
  ASSERT_NE(find_mesh("BULLET"), nullptr);
  EXPECT_EQ(world.bulletFrame.first()->mesh, find_mesh("BULLET"));
  EXPECT_EQ(world.bugTankCycle.first()->mesh, find_mesh("BUGTANK"));
  EXPECT_EQ(world.bugTurretCycle.first()->mesh, find_mesh("BUGTOP"));
  EXPECT_EQ(world.cannonCycle.first()->mesh, find_mesh("CANNON"));
  EXPECT_EQ(world.hoverCycle.first()->mesh, find_mesh("HOVERTANK"));
  const char* skins[] = {"BUGTANK", "BUGTOP", "CANNON", "HOVERTANK", "BUGTANK",
                         "BUGTOP",  "CANNON", "HOVERTANK", "CANNON"};
  for (int i = 0; i < 9; ++i) {
    ASSERT_NE(find_texture(skins[i]), nullptr) << skins[i];
    EXPECT_EQ(world.entities[101 + i].model->texture, find_texture(skins[i])) << 101 + i;
  }
}

TEST_F(WorldOnDevice, ParticleQuadIsFourVerticesAtTheOrigin) {
  World world;
  ASSERT_NE(world.quadBuffer, nullptr);
  std::vector<FlexVertex> quad = read_vertices(world.quadBuffer, 4);
  ASSERT_EQ(quad.size(), 4u);
  const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(quad[i].x, 0.0f);
    EXPECT_EQ(quad[i].y, 0.0f);
    EXPECT_EQ(quad[i].z, 0.0f);
    EXPECT_EQ(quad[i].color, 0xFFC8C8C8u);
    EXPECT_EQ(quad[i].u, uv[i][0]);
    EXPECT_EQ(quad[i].v, uv[i][1]);
  }
  EXPECT_TRUE(std::signbit(quad[1].x) && std::signbit(quad[2].y) && std::signbit(quad[3].x));
}

// Each group of four vertices is one face of the unit cube: one coordinate fixed at +1
// or -1 on all four, the other two taking both signs, and the texture coordinates
// spanning one quarter of the sky texture. The six faces are six different sides.
TEST_F(WorldOnDevice, SkyBufferIsACubeOfSixFacesEachOnAQuarterOfTheTexture) {
  World world;
  ASSERT_NE(world.skyBuffer, nullptr);
  std::vector<FlexVertex> sky = read_vertices(world.skyBuffer, 24);
  ASSERT_EQ(sky.size(), 24u);
  std::set<std::pair<int, float>> sides;
  for (int face = 0; face < 6; ++face) {
    SCOPED_TRACE(face);
    const FlexVertex* v = &sky[face * 4];
    int fixedAxis = -1;
    for (int axis = 0; axis < 3; ++axis) {
      std::set<float> values;
      for (int i = 0; i < 4; ++i) values.insert((&v[i].x)[axis]);
      for (float value : values) EXPECT_EQ(std::fabs(value), 1.0f);
      if (values.size() == 1) {
        EXPECT_EQ(fixedAxis, -1) << "one fixed coordinate a face";
        fixedAxis = axis;
        sides.insert({axis, *values.begin()});
      }
    }
    EXPECT_NE(fixedAxis, -1);
    float uMin = v[0].u, vMin = v[0].v;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(v[i].color, 0xFFFFFFFFu);
      uMin = std::fmin(uMin, v[i].u);
      vMin = std::fmin(vMin, v[i].v);
    }
    EXPECT_TRUE(uMin == 0.0f || uMin == 0.5f);
    EXPECT_TRUE(vMin == 0.0f || vMin == 0.5f);
    std::set<std::pair<float, float>> corners;
    for (int i = 0; i < 4; ++i) corners.insert({v[i].u - uMin, v[i].v - vMin});
    EXPECT_EQ(corners, (std::set<std::pair<float, float>>{{0, 0}, {0.5f, 0}, {0, 0.5f}, {0.5f, 0.5f}}));
  }
  EXPECT_EQ(sides.size(), 6u);
}

TEST_F(WorldOnDevice, EffectsHoldTheirTexturesWhileTheWorldLives) {
  const SharedReferences before = SharedReferences::now();
  auto* world = new World;
  const SharedReferences during = SharedReferences::now();
  EXPECT_EQ(during.plasma1, before.plasma1 + 1);
  EXPECT_EQ(during.plasma2, before.plasma2 + 1);
  EXPECT_EQ(during.blur, before.blur + 1);
  delete world;
  expect_same(SharedReferences::now(), before);
}

// The leak check runs this test under LeakSanitizer: every game allocates its terrain,
// buffers, font, effects, frames and instances, and must give all of them back.
TEST_F(WorldOnDevice, FiftyGamesInARowGiveBackEverything) {
  const SharedReferences before = SharedReferences::now();
  for (int game = 0; game < 50; ++game) {
    auto* world = new World;
    ASSERT_EQ(g_world, world);
    update_world(*world, 0.02f);
    delete world;
    ASSERT_EQ(g_world, nullptr);
  }
  expect_same(SharedReferences::now(), before);
}
