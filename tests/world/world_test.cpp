// The World without a graphics device: what a new game holds (the entity roles, the
// opening enemies, the model instances and frames each World owns, g_world) and what one
// update does (the player and camera seated on the ground, every entity and particle
// stepped, the clocks, the end of the game).
#include "world/world.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "app/shell.h"
#include "math/camera.h"
#include "support/expect_vec.h"

namespace {

// The camera is moved by a difference, which rounds at the scale of its old height.
void expect_near(const Vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

// Built without a device, the effects fail to compile; their warnings are kept out of
// the test output.
std::unique_ptr<World> make_world() {
  ::testing::internal::CaptureStderr();
  std::unique_ptr<World> world(new World);
  ::testing::internal::GetCapturedStderr();
  return world;
}

// Every frame a World's cycles hold.
std::set<const AnimFrame*> frames_of(const World& world) {
  std::set<const AnimFrame*> frames;
  for (const FrameCycle* cycle :
       {&world.bulletFrame, &world.bugTankCycle, &world.bugTurretCycle, &world.cannonCycle, &world.hoverCycle})
    for (int i = 0; i < cycle->count; ++i) frames.insert(&cycle->frames[i]);
  return frames;
}

// The process-wide state a World and its update touch, put back after each test.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCamera = g_camera;
    savedState = g_screen_state;
    savedCursor = g_particle_cursor;
    g_screen_state = 2;
  }
  void TearDown() override {
    g_camera = savedCamera;
    g_screen_state = savedState;
    g_particle_cursor = savedCursor;
  }

  Camera savedCamera{};
  int savedState = 0;
  int savedCursor = 0;
};

using WorldConstruction = WorldTest;
using WorldUpdate = WorldTest;

struct OpeningRow {
  int index;
  FrameCycle World::*cycle;
  Vec3 position;
  float health;
  Vec3 halfSize;
};

}  // namespace

TEST_F(WorldConstruction, NewGameHasThePlayerAndNineEnemiesActiveAndFullClocks) {
  // The last game's camera stopped ticking long ago (the menus): a new game's first
  // camera step measures nothing.
  tick_camera_clock_at(1000);
  auto world = make_world();
  tick_camera_clock_at(60000);
  EXPECT_EQ(g_camera.timeStep, 0.0f);
  EXPECT_TRUE(world->player.active);
  expect_vec(world->player.halfSize, 0.5f, 0.5f, 1.0f);
  int active = world->player.active ? 1 : 0;
  for (const Entity& entity : world->entities) active += entity.active ? 1 : 0;
  EXPECT_EQ(active, 10);
  for (int i = 101; i <= 109; ++i) EXPECT_TRUE(world->entities[i].active) << i;
  for (const Particle& particle : world->particles) EXPECT_FALSE(particle.active);
  EXPECT_EQ(world->kills, 0);
  EXPECT_EQ(world->elapsed, 0.0f);
  EXPECT_EQ(world->timeRemaining, 180.0f);
  EXPECT_EQ(world->terrain.columns, 129);
  EXPECT_EQ(world->terrain.rows, 129);
}

TEST_F(WorldConstruction, WithoutADeviceTheBuffersAndFontStayNullAndTheGameStillLastsThreeMinutes) {
  auto world = make_world();
  EXPECT_EQ(world->quadBuffer, nullptr);
  EXPECT_EQ(world->skyBuffer, nullptr);
  EXPECT_EQ(world->font, nullptr);
  EXPECT_EQ(world->timeRemaining, 180.0f);
  EXPECT_EQ(world->kills, 0);
  ASSERT_NE(world->plasmaEffect, nullptr) << "a failed effect is still a wrapper";
  EXPECT_EQ(world->plasmaEffect->effect, nullptr);
}

TEST_F(WorldConstruction, Slot100IsInactiveWithDefinedEnemyFields) {
  auto world = make_world();
  const Entity& slot = world->entities[100];
  EXPECT_FALSE(slot.active);
  EXPECT_EQ(slot.health, 2.0f);
  EXPECT_FALSE(slot.stationary);
  EXPECT_EQ(slot.nextThinkTime, 0.0f);
  ASSERT_NE(slot.model, nullptr);
  EXPECT_EQ(slot.model->frame, world->bulletFrame.first());
}

TEST_F(WorldConstruction, OpeningEnemiesStandAsPlaced) {
  auto world = make_world();
  const OpeningRow rows[] = {
      {101, &World::bugTankCycle, {10, 0, 10}, 2, {0.25f, 0.5f, 0.25f}},
      {102, &World::bugTurretCycle, {10, 0, 10}, 1e9f, {0, 0, 0}},
      {103, &World::cannonCycle, {5, 0, 10}, 3, {0.2f, 1, 0.2f}},
      {104, &World::hoverCycle, {10, 0, 5}, 2, {0.2f, 0.3f, 0.2f}},
      {105, &World::bugTankCycle, {-10, 0, -10}, 2, {0.25f, 0.5f, 0.25f}},
      {106, &World::bugTurretCycle, {-10, 0, -10}, 1e9f, {0, 0, 0}},
      {107, &World::cannonCycle, {-5, 0, 10}, 3, {0.2f, 1, 0.2f}},
      {108, &World::hoverCycle, {-10, 0, 20}, 2, {0.2f, 0.3f, 0.2f}},
      {109, &World::cannonCycle, {-15, 0, -15}, 3, {0.2f, 1, 0.2f}},
  };
  for (const OpeningRow& row : rows) {
    SCOPED_TRACE(row.index);
    const Entity& enemy = world->entities[row.index];
    const bool turret = row.cycle == &World::bugTurretCycle;
    expect_vec(enemy.position, row.position.x, row.position.y, row.position.z);
    EXPECT_EQ(enemy.health, row.health);
    expect_vec(enemy.halfSize, row.halfSize.x, row.halfSize.y, row.halfSize.z);
    expect_vec(enemy.scale, 1, 1, 1);
    EXPECT_EQ(enemy.stationary, turret);
    EXPECT_FLOAT_EQ(enemy.angularVelocity.yaw, turret ? 0.02f : 0.0f);
    EXPECT_EQ(enemy.angularVelocity.pitch, 0.0f);
    EXPECT_EQ(enemy.nextThinkTime, 0.0f);
    ASSERT_NE(enemy.model, nullptr);
    const AnimFrame* first = (world.get()->*row.cycle).first();
    EXPECT_EQ(enemy.model->frame, first) << "starts on the first frame of its cycle";
    EXPECT_EQ(enemy.model->timeLeft, first->duration);
  }
  // Each turret rides the bug tank in the slot before it.
  expect_vec(world->entities[102].position, world->entities[101].position.x, 0, world->entities[101].position.z);
  expect_vec(world->entities[106].position, world->entities[105].position.x, 0, world->entities[105].position.z);
}

TEST_F(WorldConstruction, EnemyCyclesCloseOnTheirFirstFrame) {
  auto world = make_world();
  struct Expected {
    const FrameCycle* cycle;
    std::vector<FramePose> poses;
  };
  const Expected cycles[] = {
      {&world->bugTankCycle, {{1, 0.25f}, {2, 0.25f}, {3, 0.25f}, {4, 0.25f}}},
      {&world->bugTurretCycle, {{0, 0.84f}, {0, 0.16f}}},
      {&world->cannonCycle, {{1, 0.16f}, {2, 0.16f}, {3, 0.16f}, {4, 0.16f}}},
      {&world->hoverCycle, {{0, 0.1f}, {1, 0.1f}, {2, 0.1f}, {3, 0.1f}}},
  };
  for (const Expected& expected : cycles) {
    const AnimFrame* frame = expected.cycle->first();
    ASSERT_NE(frame, nullptr);
    for (const FramePose& pose : expected.poses) {
      EXPECT_EQ(frame->subset, pose.subset);
      EXPECT_FLOAT_EQ(frame->duration, pose.duration);
      frame = frame->next;
      ASSERT_NE(frame, nullptr);
    }
    EXPECT_EQ(frame, expected.cycle->first()) << "the ring closes after " << expected.poses.size() << " poses";
  }
  const AnimFrame* bullet = world->bulletFrame.first();
  ASSERT_NE(bullet, nullptr);
  EXPECT_EQ(bullet->subset, 0);
  EXPECT_EQ(bullet->duration, 0.0f);
  EXPECT_EQ(bullet->next, nullptr);
}

TEST_F(WorldConstruction, EveryEntityHasAModelInstanceOfItsOwn) {
  auto world = make_world();
  std::set<const ModelInstance*> instances{world->player.model};
  EXPECT_EQ(world->player.model->frame, world->bulletFrame.first());
  EXPECT_EQ(world->player.model->texture, nullptr);
  for (int i = 0; i < kEntityCount; ++i) {
    const Entity& entity = world->entities[i];
    ASSERT_NE(entity.model, nullptr) << i;
    instances.insert(entity.model);
    if (i < 101 || i > 109) {
      EXPECT_EQ(entity.model->frame, world->bulletFrame.first()) << i;
      EXPECT_EQ(entity.model->texture, nullptr) << i;
    }
  }
  EXPECT_EQ(instances.size(), 1001u) << "no two entities share an instance";
  EXPECT_EQ(instances.count(nullptr), 0u);
}

TEST_F(WorldConstruction, TwoWorldsInARowShareNoInstancesOrFrames) {
  auto first = make_world();
  auto second = make_world();
  std::set<const void*> seen;
  for (const World* world : {first.get(), second.get()}) {
    seen.insert(world->player.model);
    for (const Entity& entity : world->entities) seen.insert(entity.model);
  }
  EXPECT_EQ(seen.size(), 2002u);
  std::set<const AnimFrame*> firstFrames = frames_of(*first);
  EXPECT_EQ(firstFrames.size(), 15u);
  for (const AnimFrame* frame : frames_of(*second)) EXPECT_EQ(firstFrames.count(frame), 0u);
  for (const Entity& entity : second->entities) EXPECT_EQ(firstFrames.count(entity.model->frame), 0u);
}

TEST_F(WorldConstruction, GlobalWorldIsTheNewestAndIsClearedWhenItIsDiscarded) {
  auto first = make_world();
  EXPECT_EQ(g_world, first.get());
  auto second = make_world();
  EXPECT_EQ(g_world, second.get());
  first.reset();
  EXPECT_EQ(g_world, second.get()) << "discarding an older world leaves the newest";
  second.reset();
  EXPECT_EQ(g_world, nullptr);
}

TEST_F(WorldUpdate, SeatsThePlayerOnTheGroundAndDoesNotStepIt) {
  auto world = make_world();
  world->terrain.heights[0] = 1.5f;  // grid point (0, 0): ground at y = -1.5
  world->player.position.set(0, 7, 0);
  world->player.velocity.set(1, 1, 1);
  update_world(*world, 0.02f);
  expect_vec(world->player.position, 0, -world->terrain.terrain_height(0, 0), 0);
  EXPECT_FLOAT_EQ(world->player.position.y, -1.5f);
}

TEST_F(WorldUpdate, HoldsTheEyeAboveTheGroundAndMovesTheLookAtWithIt) {
  auto world = make_world();
  g_camera.eye.set(1.3f, 7.0f, -2.1f);
  g_camera.lookAt.set(1.5f, 6.9f, -1.7f);
  update_world(*world, 0.02f);
  const float eyeY = 0.3f - world->terrain.terrain_height(4 * 1.3f, 4 * -2.1f);
  expect_near(g_camera.eye, 1.3f, eyeY, -2.1f);
  expect_near(g_camera.lookAt, 1.5f, eyeY - 0.1f, -1.7f);
}

TEST_F(WorldUpdate, SamplesTheGroundAtFourGridUnitsPerWorldUnit) {
  auto world = make_world();
  // Ground at world y = x: each column c holds height -c/4.
  Terrain& terrain = world->terrain;
  for (int r = 0; r < terrain.rows; ++r)
    for (int c = 0; c < terrain.columns; ++c) terrain.heights[r * terrain.columns + c] = -0.25f * c;
  g_camera.eye.set(3.0f, 0.0f, 5.0f);
  g_camera.lookAt.set(3.0f, 0.0f, 5.5f);
  update_world(*world, 0.02f);
  EXPECT_NEAR(g_camera.eye.y, 3.3f, 1e-5f);
  EXPECT_NEAR(g_camera.lookAt.y, 3.3f, 1e-5f);
  EXPECT_NEAR(world->player.position.y, 0.0f, 1e-6f);
}

TEST_F(WorldUpdate, StepsEveryPoolEntityActiveOrNot) {
  auto world = make_world();
  for (int i : {0, 99, 100, 500, 999}) world->entities[i].velocity.set(0.5f, 0, -1);
  world->entities[103].velocity.set(0, 0, 1);
  update_world(*world, 0.02f);
  for (int i : {0, 99, 100, 500, 999}) expect_vec(world->entities[i].position, 0.5f, 0, -1);
  expect_vec(world->entities[103].position, 5, 0, 11);
  EXPECT_FLOAT_EQ(world->entities[102].rotation.yaw, 0.02f) << "the turrets turn every update";
  EXPECT_FLOAT_EQ(world->entities[101].model->timeLeft, 0.23f) << "the models advance with their entities";
  update_world(*world, 0.02f);
  EXPECT_FLOAT_EQ(world->entities[106].rotation.yaw, 0.04f);
}

TEST_F(WorldUpdate, StepsOnlyActiveParticles) {
  auto world = make_world();
  Particle& live = world->particles[999];
  live.active = true;
  live.life = 1.0f;
  live.velocity.set(0, 1, 0);
  Particle& idle = world->particles[0];
  idle.velocity.set(0, 1, 0);
  update_world(*world, 0.25f);
  expect_vec(live.position, 0, 1, 0);
  EXPECT_FLOAT_EQ(live.life, 0.75f);
  expect_vec(idle.position, 0, 0, 0);
}

TEST_F(WorldUpdate, ClocksCountTheFrameTimes) {
  auto world = make_world();
  update_world(*world, 0.5f);
  update_world(*world, 0.25f);
  EXPECT_FLOAT_EQ(world->elapsed, 0.75f);
  EXPECT_FLOAT_EQ(world->timeRemaining, 179.25f);
  EXPECT_EQ(g_screen_state, 2);
}

TEST_F(WorldUpdate, GameEndsOnlyOnceTheClockFallsBelowZero) {
  auto world = make_world();
  world->timeRemaining = 0.02f;
  update_world(*world, 0.02f);
  EXPECT_EQ(world->timeRemaining, 0.0f);
  EXPECT_EQ(g_screen_state, 2) << "exactly 0 plays on";
  update_world(*world, 0.02f);
  EXPECT_EQ(g_screen_state, 7);

  g_screen_state = 2;
  world->timeRemaining = 0.01f;
  update_world(*world, 0.02f);
  EXPECT_EQ(g_screen_state, 7);
}

TEST_F(WorldUpdate, AGameLastsOneHundredAndEightySeconds) {
  auto world = make_world();
  for (int second = 0; second < 180; ++second) update_world(*world, 1.0f);
  EXPECT_EQ(g_screen_state, 2);
  update_world(*world, 1.0f);
  EXPECT_EQ(g_screen_state, 7);
}

TEST_F(WorldUpdate, ZeroFrameTimeLeavesTheClocksButStillMovesAndSeats) {
  auto world = make_world();
  world->entities[500].velocity.set(1, 2, 3);
  Particle& particle = world->particles[3];
  particle.active = true;
  particle.life = 0.5f;
  particle.velocity.set(0, 0, 2);
  g_camera.eye.set(0.5f, 9.0f, 0.5f);
  g_camera.lookAt.set(0.5f, 9.0f, 1.0f);
  update_world(*world, 0.0f);
  EXPECT_EQ(world->elapsed, 0.0f);
  EXPECT_EQ(world->timeRemaining, 180.0f);
  expect_vec(world->entities[500].position, 1, 2, 3);
  expect_vec(particle.position, 0, 0, 2);
  EXPECT_TRUE(particle.active);
  expect_near(g_camera.eye, 0.5f, 0.3f - world->terrain.terrain_height(2, 2), 0.5f);
  EXPECT_FLOAT_EQ(world->player.position.y, -world->terrain.terrain_height(0, 0));
}
