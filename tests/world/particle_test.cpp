#include "world/particle.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/expect_vec.h"

namespace {

// A pool of the game's size, and the process-wide cursor put back afterwards.
class ParticlePool : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_cursor = g_particle_cursor;
    g_particle_cursor = 0;
  }
  void TearDown() override { g_particle_cursor = saved_cursor; }

  void activate(int from, int to) {
    for (int i = from; i <= to; ++i) pool[i].active = true;
  }
  int index_of(const Particle* p) const { return static_cast<int>(p - pool.data()); }

  std::vector<Particle> pool = std::vector<Particle>(kParticleCount);
  int saved_cursor = 0;
};

}  // namespace

TEST(Particle, ConstructionValues) {
  Particle p;
  EXPECT_FALSE(p.active);
  expect_vec(p.position, 0, 0, 0);
  EXPECT_EQ(p.rotation, 0.0f);
  expect_vec(p.scale, 1, 1, 1);
  expect_vec(p.velocity, 0, 0, 0);
  EXPECT_EQ(p.spin, 0.0f);
  expect_vec(p.scaleVelocity, 0, 0, 0);
  expect_vec(p.acceleration, 0, 0, 0);
  EXPECT_EQ(p.spinAcceleration, 0.0f);
  expect_vec(p.scaleAcceleration, 0, 0, 0);
  EXPECT_EQ(p.life, 0.0f);
}

TEST(Particle, VelocitiesPerUpdateAccelerationsPerSecondDerivativesFirst) {
  Particle p;
  p.active = true;
  p.life = 10;
  p.velocity.set(1, 0, 0);
  p.acceleration.set(0, -8, 0);
  p.spinAcceleration = 4;
  p.scaleVelocity.set(0.5f, 0.5f, 0.5f);
  p.scaleAcceleration.set(0, 0, 2);
  p.update_particle(0.5f);
  expect_vec(p.velocity, 1, -4, 0);
  expect_vec(p.position, 1, -4, 0);
  EXPECT_FLOAT_EQ(p.spin, 2);
  EXPECT_FLOAT_EQ(p.rotation, 2);
  expect_vec(p.scaleVelocity, 0.5f, 0.5f, 1.5f);
  expect_vec(p.scale, 1.5f, 1.5f, 2.5f);
  EXPECT_FLOAT_EQ(p.life, 9.5f);

  p.update_particle(0.0f);  // no time: the derivatives stay, the values still move
  expect_vec(p.velocity, 1, -4, 0);
  expect_vec(p.position, 2, -8, 0);
  EXPECT_FLOAT_EQ(p.rotation, 4);
}

TEST(Particle, LivesUntilItsLifeFallsBelowZero) {
  Particle p;
  p.active = true;
  p.life = 1;
  for (int i = 0; i < 4; ++i) p.update_particle(0.25f);
  EXPECT_TRUE(p.active) << "a life of exactly 0 stays for one more update";
  EXPECT_EQ(p.life, 0.0f);
  p.update_particle(0.25f);
  EXPECT_FALSE(p.active);
}

TEST(Particle, InactiveParticleStaysPut) {
  Particle p;
  p.life = 1;
  p.velocity.set(1, 2, 3);
  p.acceleration.set(1, 1, 1);
  p.spin = 1;
  p.scaleVelocity.set(1, 1, 1);
  p.update_particle(0.5f);
  expect_vec(p.position, 0, 0, 0);
  expect_vec(p.velocity, 1, 2, 3);
  EXPECT_EQ(p.rotation, 0.0f);
  expect_vec(p.scale, 1, 1, 1);
  EXPECT_EQ(p.life, 1.0f);
}

TEST_F(ParticlePool, FullPoolSpawnsTakeTheParticleAHundredOnEachTime) {
  activate(0, kParticleCount - 1);
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 100);
  EXPECT_EQ(g_particle_cursor, 100);
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 200);
  EXPECT_EQ(g_particle_cursor, 200);
}

TEST_F(ParticlePool, FullPoolSearchWrapsRoundTheEnd) {
  activate(0, kParticleCount - 1);
  g_particle_cursor = 950;
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 50);
  EXPECT_EQ(g_particle_cursor, 50);
}

TEST_F(ParticlePool, FreeParticleAfterTheWrapIsFound) {
  activate(0, kParticleCount - 1);
  pool[3].active = false;
  g_particle_cursor = 990;
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 3);
  EXPECT_EQ(g_particle_cursor, 3);
}

TEST_F(ParticlePool, SpawnTakesTheFirstFreeParticleAndBurstsFillConsecutiveSlots) {
  activate(0, 4);
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 5);
  EXPECT_EQ(g_particle_cursor, 5);
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 6);
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 7);
  EXPECT_EQ(g_particle_cursor, 7);
}

TEST_F(ParticlePool, SpawnedParticleIsResetWithZeroScaleAndItsOldLife) {
  activate(0, kParticleCount - 1);  // the taken particle is a live one: all of it is reset
  Particle& old = pool[100];
  old.position.set(1, 2, 3);
  old.rotation = 4;
  old.scale.set(5, 5, 5);
  old.velocity.set(6, 6, 6);
  old.spin = 7;
  old.scaleVelocity.set(8, 8, 8);
  old.acceleration.set(9, 9, 9);
  old.spinAcceleration = 10;
  old.scaleAcceleration.set(11, 11, 11);
  old.life = 0.75f;

  Particle* p = spawn_particle(pool.data());
  ASSERT_EQ(p, &old);
  EXPECT_TRUE(p->active);
  expect_vec(p->position, 0, 0, 0);
  EXPECT_EQ(p->rotation, 0.0f);
  expect_vec(p->scale, 0, 0, 0);
  expect_vec(p->velocity, 0, 0, 0);
  EXPECT_EQ(p->spin, 0.0f);
  expect_vec(p->scaleVelocity, 0, 0, 0);
  expect_vec(p->acceleration, 0, 0, 0);
  EXPECT_EQ(p->spinAcceleration, 0.0f);
  expect_vec(p->scaleAcceleration, 0, 0, 0);
  EXPECT_EQ(p->life, 0.75f);
}

TEST_F(ParticlePool, StrayCursorStillTakesAParticleOfThePool) {
  g_particle_cursor = kParticleCount + 5;
  EXPECT_EQ(index_of(spawn_particle(pool.data())), 5);
  g_particle_cursor = -3;
  EXPECT_EQ(index_of(spawn_particle(pool.data())), kParticleCount - 3);
  EXPECT_EQ(g_particle_cursor, kParticleCount - 3);
}
