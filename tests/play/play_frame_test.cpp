// The play frame: the heads-up text, the tile origin, and one whole frame recorded draw
// by draw with the real assets.
#include "play/play_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "assets/manifest.h"
#include "math/camera.h"
#include "play/fire_control.h"
#include "support/loaded_game.h"
#include "world/world.h"

namespace {

std::string heads_up(int kills, float timeRemaining) {
  char text[255];
  format_heads_up(text, sizeof text, kills, timeRemaining);
  return text;
}

bool is_clear(const D3d9DrawRecord& r) { return r.clearFlags != 0; }

using PlayFrame = LoadedGame;

// Two particles alive, one bolt in flight high above the ground, the camera on the first
// tile looking along +z.
void stage_frame(World& world) {
  g_camera.eye = Vec3(5.5f, 0.0f, 20.0f);
  g_camera.lookAt = Vec3(5.5f, 0.0f, 20.5f);
  world.particles[3].active = true;
  world.particles[3].life = 1.0f;
  world.particles[700].active = true;
  world.particles[700].life = 1.0f;
  world.entities[5].active = true;
  world.entities[5].position = Vec3(5.5f, 50.0f, 25.0f);
  g_arm_phase = 3;
}

std::vector<D3d9DrawRecord> record_frame(World& world) {
  std::vector<D3d9DrawRecord> frame;
  d3d9_record_draws(g_pd3d_render, &frame);
  play_frame(world);
  d3d9_record_draws(g_pd3d_render, nullptr);
  return frame;
}

void expect_matrix_eq(const D3DMATRIX& actual, const D3DMATRIX& expected, size_t draw, const char* which) {
  for (int i = 0; i < 16; ++i)
    ASSERT_NEAR((&actual._11)[i], (&expected._11)[i], 1e-5f) << which << " of draw " << draw << ", element " << i;
}

}  // namespace

TEST(HeadsUp, ShowsKillsAndWholeSecondsLeft) {
  EXPECT_EQ(heads_up(0, 179.9f), "Kills:000 Time Remaining 02:59");
  EXPECT_EQ(heads_up(7, 61.0f), "Kills:007 Time Remaining 01:01");
  EXPECT_EQ(heads_up(1000, 0.99f), "Kills:1000 Time Remaining 00:00");
  EXPECT_EQ(heads_up(3, -0.5f), "Kills:003 Time Remaining 00:00") << "toward zero, not below it";
}

TEST(TileOrigin, KeepsTheCameraInsideTheBlockWithGroundAround) {
  EXPECT_EQ(tile_origin(5.5f), -32.0f);
  EXPECT_EQ(tile_origin(20.0f), 0.0f);
  EXPECT_EQ(tile_origin(-5.5f), -32.0f);
  EXPECT_EQ(tile_origin(16.0f), -32.0f) << "16 is still on the near side";
  EXPECT_EQ(tile_origin(17.0f), 0.0f);
  EXPECT_EQ(tile_origin(100.0f), 64.0f);
}

TEST_F(PlayFrame, DrawsSkyTerrainEntitiesParticlesArmsInOrder) {
  World world;
  stage_frame(world);
  // The enemy pass after the drawing may move enemies: keep where they were drawn.
  std::vector<Vec3> drawnAt;
  for (const Entity& entity : world.entities) drawnAt.push_back(entity.position);

  const std::vector<D3d9DrawRecord> frame = record_frame(world);

  size_t at = 0;
  ASSERT_GT(frame.size(), 20u);
  EXPECT_EQ(frame[at++].clearFlags, DWORD(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)) << "the background first";
  // The sky: six faces of the cube, then the depth alone cleared.
  for (UINT face = 0; face < 6; ++face, ++at) {
    ASSERT_FALSE(is_clear(frame[at]));
    EXPECT_EQ(frame[at].stream, world.skyBuffer);
    EXPECT_EQ(frame[at].startVertex, face * 4);
    EXPECT_EQ(frame[at].texture0, find_texture("SKY"));
  }
  EXPECT_EQ(frame[at++].clearFlags, DWORD(D3DCLEAR_ZBUFFER));
  // Four terrain tiles around the camera through the terrain effect.
  const void* terrainProgram = frame[at].program;
  const float expected[4][2] = {{-32, 0}, {-32, 32}, {0, 0}, {0, 32}};
  for (const auto& tile : expected) {
    const D3d9DrawRecord& draw = frame[at++];
    EXPECT_TRUE(draw.throughEffect);
    EXPECT_EQ(draw.program, terrainProgram);
    EXPECT_EQ(draw.primitiveCount, 33282u);
    EXPECT_FLOAT_EQ(draw.world._41, tile[0]);
    EXPECT_FLOAT_EQ(draw.world._43, tile[1]);
  }
  // The bolt in slot 5 through the plasma effect, then the nine enemies through the
  // terrain effect, each on its own position.
  const D3d9DrawRecord& bolt = frame[at++];
  EXPECT_TRUE(bolt.throughEffect);
  EXPECT_NE(bolt.program, terrainProgram);
  EXPECT_FLOAT_EQ(bolt.world._42, 50.0f);
  for (int enemy = 101; enemy <= 109; ++enemy) {
    const D3d9DrawRecord& draw = frame[at++];
    EXPECT_EQ(draw.program, terrainProgram) << enemy;
    EXPECT_TRUE(draw.indexed) << enemy;
    EXPECT_FLOAT_EQ(draw.world._41, drawnAt[enemy].x) << enemy;
    EXPECT_FLOAT_EQ(draw.world._43, drawnAt[enemy].z) << enemy;
  }
  // The two particles: the quad with the soft sprite.
  for (int particle : {3, 700}) {
    const D3d9DrawRecord& draw = frame[at++];
    EXPECT_EQ(draw.stream, world.quadBuffer) << particle;
    EXPECT_EQ(draw.texture0, find_texture("BLURPART")) << particle;
    EXPECT_FLOAT_EQ(draw.world._41, world.particles[particle].position.x);
  }
  // The arms, fixed in front of the viewer, showing the arm phase's subset.
  const D3d9DrawRecord& arms = frame[at++];
  EXPECT_FALSE(arms.throughEffect);
  EXPECT_EQ(arms.subset, g_arm_phase);
  EXPECT_EQ(arms.texture0, find_texture("ARMS"));
  EXPECT_FLOAT_EQ(arms.world._41, 0.0f);
  EXPECT_FLOAT_EQ(arms.world._42, -0.06f);
  EXPECT_FLOAT_EQ(arms.world._43, 0.11f);
  EXPECT_EQ(at, frame.size()) << "nothing else is drawn";
}

// Effects that failed to compile leave the game playable: every draw goes through the
// fixed-function pipeline with the transforms the effect was given, so the ground, the
// enemies, the bolts and the particles land where the effects put them, and the view is
// identity again for the arms (and the sky of the next frame).
TEST_F(PlayFrame, WithoutItsEffectsEveryDrawLandsWhereTheEffectsPutIt) {
  World world;
  stage_frame(world);
  Entity drawnEntities[kEntityCount];
  std::copy(std::begin(world.entities), std::end(world.entities), drawnEntities);
  const std::vector<D3d9DrawRecord> withEffects = record_frame(world);
  const D3DXMATRIX cameraView = g_view;

  for (ShaderEffect* wrapper : {world.terrainEffect, world.plasmaEffect, world.particleEffect}) {
    wrapper->effect->Release();
    wrapper->effect = nullptr;
  }
  std::copy(std::begin(drawnEntities), std::end(drawnEntities), world.entities);
  stage_frame(world);
  const std::vector<D3d9DrawRecord> without = record_frame(world);

  ASSERT_EQ(without.size(), withEffects.size());
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  int throughEffects = 0;
  for (size_t i = 0; i < without.size(); ++i) {
    const D3d9DrawRecord& fixed = without[i];
    const D3d9DrawRecord& effect = withEffects[i];
    EXPECT_FALSE(fixed.throughEffect) << i;
    ASSERT_EQ(fixed.clearFlags, effect.clearFlags) << i;
    if (fixed.clearFlags) continue;
    ASSERT_EQ(fixed.stream, effect.stream) << i;
    ASSERT_EQ(fixed.indexed, effect.indexed) << i;  // the arms' subset is the fire control's
    expect_matrix_eq(fixed.world, effect.world, i, "world");
    expect_matrix_eq(fixed.projection, effect.projection, i, "projection");
    // The effect draws with the camera's view as its parameter; the others with none.
    expect_matrix_eq(fixed.view, effect.throughEffect ? cameraView : identity, i, "view");
    throughEffects += effect.throughEffect ? 1 : 0;
  }
  EXPECT_EQ(throughEffects, 4 + 1 + 9 + 2) << "tiles, the bolt, the enemies and the particles";
}

TEST_F(PlayFrame, HeadsUpLineIsVisibleAtTheTopLeft) {
  World world;
  world.kills = 12;
  play_frame(world);
  int white = 0;
  for (int y = 10; y < 30; ++y)
    for (int x = 2; x < 200; ++x)
      if (pixel(x, y) == 0xFFFFFF) ++white;
  EXPECT_GT(white, 50) << "white heads-up text at (2, 10)";
}
