// The enemies' frame: riding parts, thinking, keeping apart, bolt hits and kills, the
// leash, the ground and the push that keeps the player out of them.
#include "play/enemy_pass.h"

#include <gtest/gtest.h>

#include <cmath>

#include "play/play_test_support.h"
#include "sound/sound_test_support.h"

namespace {

using namespace play_test;

// The enemies as built, none of them due to think, on level ground; the eye at the
// origin's ground level, looking along +z.
class EnemyPass : public ::testing::Test {
 protected:
  void SetUp() override {
    world = make_level_world();
    world->elapsed = 1.0f;
    for (int k = kFirstEnemy; k <= kLastEnemy; ++k) world->entities[k].nextThinkTime = 1e9f;
    place_camera(Vec3(0, 0.3f, 0), Vec3(0, 0.3f, 0.5f));
  }

  Entity& slot(int k) { return world->entities[k]; }

  // A bolt in flight at the given point.
  Entity& bolt_at(int b, const Vec3& point) {
    Entity& bolt = world->entities[b];
    bolt.active = true;
    bolt.position = point;
    bolt.halfSize.set(0.1f, 0.1f, 0.1f);
    return bolt;
  }

  // The damage the next hit will take, without using it up.
  static float next_damage() {
    random_reset();
    float damage = random_range(0.5f, 1.0f);
    random_reset();
    return damage;
  }

  CameraGuard camera;
  std::unique_ptr<World> world;
};

void expect_near_player(const Entity& enemy) {
  EXPECT_GE(std::fabs(enemy.position.x - g_camera.eye.x), 15.0f);
  EXPECT_LE(std::fabs(enemy.position.x - g_camera.eye.x), 20.0f);
  EXPECT_GE(std::fabs(enemy.position.z - g_camera.eye.z), 15.0f);
  EXPECT_LE(std::fabs(enemy.position.z - g_camera.eye.z), 20.0f);
  EXPECT_EQ(enemy.position.y, 0.0f);  // on the level ground
}

}  // namespace

TEST(EnemyBoxes, OverlapIsStrictOnEveryAxis) {
  const Vec3 bump(0.5f, 1.0f, 0.5f);
  EXPECT_TRUE(boxes_overlap(Vec3(0.25f, -0.75f, -0.25f), bump));
  EXPECT_FALSE(boxes_overlap(Vec3(0.5f, 0, 0), bump));  // touching is not overlapping
  EXPECT_FALSE(boxes_overlap(Vec3(0, -1.0f, 0), bump));
  EXPECT_FALSE(boxes_overlap(Vec3(0, 0, -0.75f), bump));
}

TEST(EnemyReposition, ADrawOfZeroCountsAsThePositiveSide) {
  EXPECT_EQ(draw_sign(0.0f), 1.0f);
  EXPECT_EQ(draw_sign(-0.0f), 1.0f);
  EXPECT_EQ(draw_sign(1e-9f), 1.0f);
  EXPECT_EQ(draw_sign(-1e-9f), -1.0f);
  EXPECT_EQ(draw_sign(-1.0f), -1.0f);
}

TEST(EnemyReposition, EveryAxisLandsFifteenToTwentyFromTheEyeOnBothSides) {
  CameraGuard camera;
  place_camera(Vec3(3, -2, 7), Vec3(3, -2, 7.5f));
  Entity enemy;
  int below[3] = {0, 0, 0};
  for (int i = 0; i < 200; ++i) {
    reposition_near_player(enemy);
    const float offsets[3] = {enemy.position.x - 3, enemy.position.y + 2, enemy.position.z - 7};
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_GE(std::fabs(offsets[axis]), 15.0f);
      EXPECT_LE(std::fabs(offsets[axis]), 20.0f);
      below[axis] += offsets[axis] < 0 ? 1 : 0;
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_GT(below[axis], 50) << axis;
    EXPECT_LT(below[axis], 150) << axis;
  }
}

TEST_F(EnemyPass, AnEnemyAtHealthExactlyZeroLives) {
  Entity& cannon = slot(103);
  cannon.health = next_damage();
  Entity& bolt = bolt_at(0, cannon.position);
  enemy_pass(*world);
  EXPECT_EQ(cannon.health, 0.0f);
  EXPECT_EQ(world->kills, 0);
  EXPECT_FLOAT_EQ(cannon.position.x, 5.0f);
  EXPECT_FLOAT_EQ(cannon.position.z, 10.0f);
  EXPECT_FALSE(bolt.active);
  EXPECT_EQ(active_particles(*world), kBurstParticles);
}

TEST_F(EnemyPass, AnEnemyBelowZeroDiesAndComesBackNearThePlayer) {
  Entity& cannon = slot(103);
  cannon.health = std::nextafter(next_damage(), 0.0f);
  Entity& bolt = bolt_at(0, cannon.position);
  enemy_pass(*world);
  EXPECT_EQ(world->kills, 1);
  EXPECT_EQ(cannon.health, kRevivedHealth);
  expect_near_player(cannon);
  EXPECT_TRUE(cannon.active);
  EXPECT_FALSE(bolt.active);
  EXPECT_EQ(active_particles(*world), kBurstParticles);
}

TEST_F(EnemyPass, OneEnemyTakesEveryBoltOverlappingItInOneFrame) {
  Entity& cannon = slot(103);
  cannon.health = 10.0f;
  for (int b = 10; b < 13; ++b) bolt_at(b, cannon.position + Vec3(0.05f * (b - 10), 0, 0));
  enemy_pass(*world);
  EXPECT_GE(cannon.health, 10.0f - 3.0f);
  EXPECT_LE(cannon.health, 10.0f - 1.5f);
  for (int b = 10; b < 13; ++b) EXPECT_FALSE(world->entities[b].active) << b;
  EXPECT_EQ(active_particles(*world), 3 * kBurstParticles);
}

TEST_F(EnemyPass, ABoltOverlappingTwoEnemiesHitsOnlyTheFirst) {
  // Side by side without touching each other (0.45 apart, 0.4 of half sizes), with the
  // bolt between them reaching both.
  slot(104).position.set(5.45f, 0, 10);
  Entity& bolt = bolt_at(0, Vec3(5.22f, 0, 10));
  enemy_pass(*world);
  EXPECT_LT(slot(103).health, 3.0f);
  EXPECT_EQ(slot(104).health, 2.0f);
  EXPECT_FALSE(bolt.active);
  EXPECT_EQ(active_particles(*world), kBurstParticles);
}

TEST_F(EnemyPass, TurretsRideTheirTanksAndAbsorbNothing) {
  slot(101).position.set(3, 0, 4);
  slot(105).position.set(-6, 0, -7);
  slot(102).position.set(10, 0, 10);  // where the tank was
  Entity& bolt = bolt_at(0, Vec3(10, 0, 10));
  enemy_pass(*world);
  EXPECT_FLOAT_EQ(slot(102).position.x, 3.0f);
  EXPECT_FLOAT_EQ(slot(102).position.z, 4.0f);
  EXPECT_FLOAT_EQ(slot(106).position.x, -6.0f);
  EXPECT_FLOAT_EQ(slot(106).position.z, -7.0f);
  EXPECT_TRUE(bolt.active);
  EXPECT_EQ(slot(102).health, 1e9f);
  EXPECT_EQ(world->kills, 0);
  EXPECT_EQ(active_particles(*world), 0);
}

TEST_F(EnemyPass, AnInactiveEnemySlotIsLeftAlone) {
  Entity& spare = slot(100);
  ASSERT_FALSE(spare.active);
  spare.position.set(3, 0, 3);
  spare.halfSize.set(0.5f, 1, 0.5f);
  spare.nextThinkTime = 0.0f;
  Entity& bolt = bolt_at(0, Vec3(2.7f, 0, 3));  // reaches only the spare slot
  slot(104).position.set(3.3f, 0, 3);           // inside the spare slot's box
  enemy_pass(*world);
  EXPECT_TRUE(bolt.active);
  EXPECT_FLOAT_EQ(slot(104).position.x, 3.3f);  // nothing to keep apart from
  EXPECT_EQ(spare.health, 2.0f);
  EXPECT_EQ(world->kills, 0);
  EXPECT_FLOAT_EQ(spare.position.x, 3.0f);
  EXPECT_FLOAT_EQ(spare.velocity.length(), 0.0f);
}

TEST_F(EnemyPass, OfTwoOverlappingEnemiesOnlyTheFirstVisitedMoves) {
  // Half sizes and places exact in binary, so that "just outside" is exact too.
  slot(103).halfSize.set(0.25f, 1, 0.25f);
  slot(104).halfSize.set(0.25f, 0.25f, 0.25f);
  slot(104).position.set(5.125f, 0, 10.0625f);
  enemy_pass(*world);
  EXPECT_EQ(slot(103).position.x, 5.125f - 0.5f);
  EXPECT_EQ(slot(103).position.z, 10.0625f - 0.5f);
  EXPECT_EQ(slot(104).position.x, 5.125f);
  EXPECT_EQ(slot(104).position.z, 10.0625f);
}

TEST_F(EnemyPass, WalkingIntoAnEnemyLeavesTheEyeOnItsBoxBoundary) {
  const Vec3 lookAt(5.1f, 0.3f, 10.6f);
  place_camera(Vec3(5.1f, 0.3f, 10.1f), lookAt);  // inside the cannon walker at (5, 0, 10)
  enemy_pass(*world);
  EXPECT_NEAR(g_camera.eye.x, 5.0f + 0.4f, 1e-5f);
  EXPECT_NEAR(g_camera.eye.z, 10.0f + 0.4f, 1e-5f);
  EXPECT_FLOAT_EQ(g_camera.eye.y, 0.3f);
  EXPECT_FLOAT_EQ(g_camera.lookAt.x, lookAt.x);
  EXPECT_FLOAT_EQ(g_camera.lookAt.z, lookAt.z);

  place_camera(Vec3(4.9f, 0.3f, 9.95f), lookAt);  // from the other side
  enemy_pass(*world);
  EXPECT_NEAR(g_camera.eye.x, 5.0f - 0.4f, 1e-5f);
  EXPECT_NEAR(g_camera.eye.z, 10.0f - 0.4f, 1e-5f);
  EXPECT_FLOAT_EQ(slot(103).position.x, 5.0f);  // the enemy stays
}

TEST_F(EnemyPass, TheLeashBringsADistantEnemyBack) {
  slot(104).position.set(30, 0, 0);
  slot(103).position.set(24, 0, 0);  // within reach: stays
  enemy_pass(*world);
  expect_near_player(slot(104));
  EXPECT_EQ(slot(104).health, 2.0f);
  EXPECT_EQ(world->kills, 0);
  EXPECT_FLOAT_EQ(slot(103).position.x, 24.0f);
}

TEST_F(EnemyPass, EnemiesStandOnTheGroundBelowThem) {
  make_slope(*world);  // ground at y = x
  slot(103).position.set(5, 3, 10);
  slot(104).position.set(2.5f, -4, 5);
  enemy_pass(*world);
  EXPECT_FLOAT_EQ(slot(103).position.y, 5.0f);
  EXPECT_FLOAT_EQ(slot(104).position.y, 2.5f);
}

TEST_F(EnemyPass, ThinkingMostlyHeadsForThePlayerForOneToThreeSeconds) {
  Entity& cannon = slot(103);
  int towards = 0;
  for (int round = 0; round < 40; ++round) {
    cannon.position.set(5, 0, 10);
    cannon.nextThinkTime = 0.0f;
    enemy_pass(*world);
    SCOPED_TRACE(round);
    EXPECT_NEAR(cannon.velocity.length(), 0.01f, 1e-6f);
    EXPECT_EQ(cannon.velocity.y, 0.0f);
    EXPECT_NEAR(cannon.velocity.x, std::cos(cannon.rotation.yaw) / 100, 1e-6f);
    EXPECT_NEAR(cannon.velocity.z, -std::sin(cannon.rotation.yaw) / 100, 1e-6f);
    EXPECT_GE(cannon.nextThinkTime, world->elapsed + 1);
    EXPECT_LE(cannon.nextThinkTime, world->elapsed + 3);
    Vec3 home = g_camera.eye - Vec3(5, 0, 10);
    home.y = 0;
    home.normalize();
    float along = (cannon.velocity.x * home.x + cannon.velocity.z * home.z) * 100;
    towards += along > 0.9999f ? 1 : 0;
  }
  EXPECT_GE(towards, 20);  // three in four on average
  EXPECT_LT(towards, 40);  // and some wander off

  const Vec3 heading = cannon.velocity;
  cannon.nextThinkTime = world->elapsed;  // not yet passed
  enemy_pass(*world);
  EXPECT_EQ(cannon.velocity.x, heading.x);
  EXPECT_EQ(cannon.velocity.z, heading.z);
}

// A kill is heard: the kill sound starts.
class EnemyPassSound : public sound_test::SoundLayer {
 protected:
  void SetUp() override {
    SoundLayer::SetUp();
    ASSERT_TRUE(load_wav(2, folder_.write("dead.wav", sound_test::pcm_wave("\x81\x82\x83\x84")).c_str()));
    world = make_level_world();
    for (int k = kFirstEnemy; k <= kLastEnemy; ++k) world->entities[k].nextThinkTime = 1e9f;
    place_camera(Vec3(0, 0.3f, 0), Vec3(0, 0.3f, 0.5f));
  }
  const dsound::Voice& kill_voice() const { return dsound::Access::state(g_sounds[2].buffer)->voice; }

  CameraGuard camera;
  std::unique_ptr<World> world;
};

TEST_F(EnemyPassSound, AKillPlaysTheKillSoundAndAHitDoesNot) {
  Entity& tank = world->entities[104];
  tank.health = 1.5f;  // survives one hit
  Entity& first = world->entities[0];
  first.active = true;
  first.position = tank.position;
  enemy_pass(*world);
  EXPECT_FALSE(kill_voice().playing);

  tank.health = 0.25f;  // does not survive the next
  first.active = true;
  first.position = tank.position;
  enemy_pass(*world);
  EXPECT_EQ(world->kills, 1);
  EXPECT_TRUE(kill_voice().playing);
}
