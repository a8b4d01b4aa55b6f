// The weapon: aiming vectors, the arm animation, firing and its cool-down, the bolt ring,
// the shot sound, the bolts' ground test and the impact burst.
#include "play/fire_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "app/input.h"
#include "play/play_test_support.h"
#include "sound/sound_test_support.h"

namespace {

using namespace play_test;

void expect_vec(const Vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

// One frame's weapon step, as the play frame runs it.
void weapon_frame(World& world) {
  Vec3 forward, left;
  aim_vectors(&forward, &left);
  fire_control(world, forward, left);
}

class FireControl : public ::testing::Test {
 protected:
  void SetUp() override {
    world = make_level_world();
    place_camera(Vec3(0, 0.3f, 0), Vec3(0, 0.3f, 0.5f));
  }
  void TearDown() override { g_mouse_button = 0; }

  CameraGuard camera;
  std::unique_ptr<World> world;
};

// A sound device without output and a shot and a kill sound to watch.
class FireControlSound : public sound_test::SoundLayer {
 protected:
  void SetUp() override {
    SoundLayer::SetUp();
    ASSERT_TRUE(load_wav(1, folder_.write("pew.wav", sound_test::pcm_wave("\x81\x82\x83\x84")).c_str()));
    world = make_level_world();
    place_camera(Vec3(0, 0.3f, 0), Vec3(0, 0.3f, 0.5f));
  }
  void TearDown() override {
    g_mouse_button = 0;
    SoundLayer::TearDown();
  }

  const dsound::Voice& shot_voice() const { return dsound::Access::state(g_sounds[1].buffer)->voice; }

  CameraGuard camera;
  std::unique_ptr<World> world;
};

}  // namespace

TEST(FireAim, ForwardIsTheFlattenedViewAndLeftIsTheViewersLeft) {
  CameraGuard camera;
  Vec3 forward, left;

  // Looking along +z, the screen's right is +x.
  place_camera(Vec3(1, 2, 3), Vec3(1, 2, 3.5f));
  aim_vectors(&forward, &left);
  expect_vec(forward, 0, 0, 1);
  expect_vec(left, -1, 0, 0);

  // Looking along +x, the screen's right is -z.
  place_camera(Vec3(1, 2, 3), Vec3(1.5f, 2, 3));
  aim_vectors(&forward, &left);
  expect_vec(forward, 1, 0, 0);
  expect_vec(left, 0, 0, 1);

  // Looking down at a slant: the height drops out and the rest is made unit length.
  place_camera(Vec3(0, 0, 0), Vec3(0.3f, -5, 0.4f));
  aim_vectors(&forward, &left);
  expect_vec(forward, 0.6f, 0, 0.8f);
  expect_vec(left, -0.8f, 0, 0.6f);
}

TEST(FireAim, LookingStraightUpGivesNoForwardAndLeftAlongZ) {
  CameraGuard camera;
  place_camera(Vec3(1, 2, 3), Vec3(1, 2.5f, 3));
  Vec3 forward(9, 9, 9), left;
  aim_vectors(&forward, &left);
  expect_vec(forward, 0, 0, 0);
  expect_vec(left, 0, 0, 1);
}

TEST_F(FireControl, AShotSetsUpTheNextBoltFromTheLeftArmAndKeepsItsOtherFields) {
  place_camera(Vec3(1, 2, 3), Vec3(1, 2.3f, 3.4f));
  world->entities[0].rotation.set(1, 2, 3);
  ModelInstance* model = world->entities[0].model;
  world->elapsed = 0.5f;
  g_mouse_button = 1;
  weapon_frame(*world);

  const Entity& bolt = world->entities[0];
  EXPECT_TRUE(bolt.active);
  expect_vec(bolt.position, 1 - 0.2f, 2, 3 + 0.13f);  // eye + 0.13 forward + 0.2 left
  expect_vec(bolt.scale, 2, 2, 2);
  expect_vec(bolt.velocity, 0, 0.6f / 5, 0.8f / 5);  // along the full view, 0.2 an update
  EXPECT_FLOAT_EQ(bolt.angularVelocity.yaw, 0.5f);
  EXPECT_FLOAT_EQ(bolt.angularVelocity.pitch, 1.05f);
  EXPECT_FLOAT_EQ(bolt.angularVelocity.roll, 0.65f);
  expect_vec(bolt.acceleration, 0, -0.03f, 0);
  expect_vec(bolt.halfSize, 0.1f, 0.1f, 0.1f);
  EXPECT_FLOAT_EQ(bolt.rotation.yaw, 1.0f);
  EXPECT_FLOAT_EQ(bolt.rotation.roll, 3.0f);
  EXPECT_EQ(bolt.model, model);

  EXPECT_EQ(g_shot_count, 1);
  EXPECT_EQ(g_arm_phase, 1);
  EXPECT_FLOAT_EQ(g_next_fire_time, 0.5f + kFireInterval);
  EXPECT_FALSE(world->entities[1].active);
}

TEST_F(FireControl, AnOddShotLeavesFromTheRightArm) {
  g_shot_count = 7;
  world->elapsed = 0.5f;
  g_mouse_button = 1;
  weapon_frame(*world);
  const Entity& bolt = world->entities[7];
  ASSERT_TRUE(bolt.active);
  expect_vec(bolt.position, 0.2f, 0.3f, 0.13f);
  EXPECT_EQ(g_arm_phase, 5);
  EXPECT_EQ(g_shot_count, 8);
}

TEST_F(FireControl, NoShotUntilElapsedExceedsTheFireTime) {
  g_mouse_button = 1;
  g_next_fire_time = 1.0f;
  world->elapsed = 1.0f;
  weapon_frame(*world);
  EXPECT_EQ(g_shot_count, 0);
  EXPECT_FALSE(world->entities[0].active);

  world->elapsed = std::nextafter(1.0f, 2.0f);
  weapon_frame(*world);
  EXPECT_EQ(g_shot_count, 1);
  EXPECT_TRUE(world->entities[0].active);
}

TEST_F(FireControl, NoShotWithTheButtonUpOrTheArmsMoving) {
  world->elapsed = 1.0f;
  weapon_frame(*world);
  EXPECT_EQ(g_shot_count, 0);

  g_mouse_button = 1;
  g_arm_phase = 3;
  g_last_arm_step = 7;  // the arm clock's step at 1.0 s: the phase stays
  weapon_frame(*world);
  EXPECT_EQ(g_shot_count, 0);
  EXPECT_EQ(g_arm_phase, 3);
}

TEST_F(FireControl, TheFirstGameTimeOfANewWorldMayFire) {
  g_next_fire_time = 170.0f;  // the last shot of the game before
  reset_fire_control();
  world->elapsed = 0.01f;
  g_mouse_button = 1;
  weapon_frame(*world);
  EXPECT_EQ(g_shot_count, 1);
}

TEST_F(FireControl, ShotHundredReusesSlotZero) {
  Entity& flying = world->entities[0];
  flying.active = true;
  flying.position.set(40, 5, 40);
  g_shot_count = 100;
  world->elapsed = 3.0f;
  g_mouse_button = 1;
  weapon_frame(*world);
  EXPECT_TRUE(flying.active);
  expect_vec(flying.position, -0.2f, 0.3f, 0.13f);  // even count: the left arm
  EXPECT_EQ(g_shot_count, 101);
  for (int i = 1; i < kBoltCount; ++i) EXPECT_FALSE(world->entities[i].active) << i;

  g_shot_count = 99;
  g_arm_phase = 0;
  world->elapsed = 4.0f;
  weapon_frame(*world);
  EXPECT_TRUE(world->entities[99].active);
  EXPECT_FALSE(world->entities[100].active);  // the first enemy slot is not a bolt
}

TEST_F(FireControl, TheArmPhaseRunsFourFramesOfOneArmAndStopsAtRest) {
  // The arm clock ticks 22 times a second; sample each step's middle.
  auto phases_after = [&](int phase, float start) {
    g_arm_phase = phase;
    world->elapsed = start;
    weapon_frame(*world);  // sets the clock's step without moving on from it
    g_arm_phase = phase;
    std::vector<int> seen;
    for (int step = 1; step <= 5; ++step) {
      world->elapsed = start + step / 22.0f;
      weapon_frame(*world);
      seen.push_back(g_arm_phase);
    }
    return seen;
  };
  EXPECT_EQ(phases_after(1, 0.5f / 22), (std::vector<int>{2, 3, 4, 0, 0}));
  EXPECT_EQ(phases_after(5, 10.5f / 22), (std::vector<int>{6, 7, 8, 0, 0}));
  EXPECT_EQ(phases_after(0, 20.5f / 22), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST_F(FireControl, TheArmPhaseMovesAtMostOnceAFrame) {
  g_arm_phase = 1;
  world->elapsed = 0.5f / 22;
  weapon_frame(*world);
  g_arm_phase = 1;
  world->elapsed = 3.5f / 22;  // three clock steps in one frame
  weapon_frame(*world);
  EXPECT_EQ(g_arm_phase, 2);
  EXPECT_EQ(g_arm_step, 4);
  EXPECT_EQ(g_last_arm_step, 4);
  world->elapsed = 3.9f / 22;  // the same step: no change
  weapon_frame(*world);
  EXPECT_EQ(g_arm_phase, 2);
}

TEST_F(FireControlSound, HoldingTheButtonAlternatesTheArmsAtMostEveryInterval) {
  g_mouse_button = 1;
  std::vector<float> shot_times;
  std::vector<std::vector<int>> phases_after_shot;  // distinct phases shown after each shot
  std::set<DWORD> frequencies;
  for (int frame = 1; frame <= 180; ++frame) {  // 3 s at 60 frames a second
    world->elapsed = frame / 60.0f;
    const int before = g_shot_count;
    weapon_frame(*world);
    if (g_shot_count != before) {
      const int shot = before;
      shot_times.push_back(world->elapsed);
      phases_after_shot.emplace_back();
      EXPECT_TRUE(world->entities[shot].active);
      EXPECT_EQ(shot_voice().pan, shot % 2 == 0 ? 2000 : -2000) << shot;
      EXPECT_GE(shot_voice().frequency, 7800u);
      EXPECT_LT(shot_voice().frequency, 8200u);
      EXPECT_TRUE(shot_voice().playing);
      frequencies.insert(shot_voice().frequency);
    }
    if (!phases_after_shot.empty()) {
      std::vector<int>& seen = phases_after_shot.back();
      if (seen.empty() || seen.back() != g_arm_phase) seen.push_back(g_arm_phase);
    }
  }

  ASSERT_GE(shot_times.size(), 10u);
  EXPECT_FLOAT_EQ(shot_times[0], 1 / 60.0f);  // the first frame with elapsed above 0
  for (size_t i = 1; i < shot_times.size(); ++i) EXPECT_GT(shot_times[i] - shot_times[i - 1], 0.1818f) << i;
  for (size_t i = 0; i + 1 < phases_after_shot.size(); ++i) {
    // The rest frame is unseen when the next shot comes in the frame the arms reach it.
    std::vector<int> seen = phases_after_shot[i];
    if (seen.back() != 0) seen.push_back(0);
    const std::vector<int> expected =
        i % 2 == 0 ? std::vector<int>{1, 2, 3, 4, 0} : std::vector<int>{5, 6, 7, 8, 0};
    EXPECT_EQ(seen, expected) << "shot " << i;
  }
  EXPECT_GT(frequencies.size(), 1u);  // a fresh pitch for each shot
}

TEST_F(FireControl, ABoltBelowTheGroundAtItsOwnPlaceBurstsIntoThirtyParticles) {
  make_slope(*world);  // ground at y = x
  Entity& above = world->entities[3];
  above.active = true;
  above.position.set(2, 2.05f, 1);  // above the ground at x = 2 (though far above y = 0.5)
  bolt_ground_test(*world, above);
  EXPECT_TRUE(above.active);
  EXPECT_EQ(active_particles(*world), 0);

  Entity& below = world->entities[4];
  below.active = true;
  below.position.set(2, 1.95f, 1);
  // The burst's draws, in their order: z, then y, then x of each velocity.
  std::vector<Vec3> expected;
  random_reset();
  for (int i = 0; i < kBurstParticles; ++i) {
    float c = random_signed();
    float b = random_unit();
    float a = random_signed();
    expected.push_back(Vec3(a / 30, b / 20, c / 30));
  }
  random_reset();
  bolt_ground_test(*world, below);
  EXPECT_FALSE(below.active);
  ASSERT_EQ(active_particles(*world), kBurstParticles);
  for (int i = 0; i < kBurstParticles; ++i) {
    const Particle& p = world->particles[i];
    SCOPED_TRACE(i);
    ASSERT_TRUE(p.active);
    expect_vec(p.position, 2, 1.95f, 1);
    expect_vec(p.velocity, expected[i].x, expected[i].y, expected[i].z);
    EXPECT_GE(p.velocity.y, 0.0f);
    EXPECT_LE(std::fabs(p.velocity.x), 1 / 30.0f);
    expect_vec(p.acceleration, 0, -0.1f, 0);
    expect_vec(p.scale, 0, 0, 0);
    EXPECT_FLOAT_EQ(p.life, 1.0f);
  }
}

TEST_F(FireControl, ABoltOnTheGroundItselfFliesOn) {
  Entity& bolt = world->entities[0];
  bolt.active = true;
  bolt.position.set(5, 0, 5);  // level ground at y = 0: not below it
  bolt_ground_test(*world, bolt);
  EXPECT_TRUE(bolt.active);
  bolt.position.y = -0.001f;
  bolt_ground_test(*world, bolt);
  EXPECT_FALSE(bolt.active);
}
