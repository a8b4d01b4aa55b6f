#include "world/entity.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/expect_vec.h"

namespace {

void expect_angle(const Angle3& a, float yaw, float pitch, float roll) {
  EXPECT_FLOAT_EQ(a.yaw, yaw);
  EXPECT_FLOAT_EQ(a.pitch, pitch);
  EXPECT_FLOAT_EQ(a.roll, roll);
}

}  // namespace

TEST(Entity, ConstructionGivesUnitScaleAndDefinedGameFields) {
  Entity e;
  EXPECT_FALSE(e.active);
  expect_vec(e.position, 0, 0, 0);
  expect_angle(e.rotation, 0, 0, 0);
  expect_vec(e.scale, 1, 1, 1);
  expect_vec(e.velocity, 0, 0, 0);
  expect_angle(e.angularVelocity, 0, 0, 0);
  expect_vec(e.scaleVelocity, 0, 0, 0);
  expect_vec(e.acceleration, 0, 0, 0);
  expect_angle(e.angularAcceleration, 0, 0, 0);
  expect_vec(e.scaleAcceleration, 0, 0, 0);
  expect_vec(e.halfSize, 0, 0, 0);
  EXPECT_EQ(e.model, nullptr);
  EXPECT_FALSE(e.stationary);
  EXPECT_EQ(e.nextThinkTime, 0.0f);
  EXPECT_EQ(e.health, 0.0f);
}

TEST(Entity, InactiveEntityWithoutAModelKeepsDrifting) {
  Entity e;  // inactive, no model
  e.velocity.set(1, -2, 0.5f);
  e.update_entity(0.016f);
  expect_vec(e.position, 1, -2, 0.5f);
  e.update_entity(0.016f);
  expect_vec(e.position, 2, -4, 1);
}

TEST(Entity, VelocitiesApplyOncePerUpdateWhateverTheFrameTime) {
  for (float dt : {0.0f, 0.01f, 0.5f, 2.0f}) {
    Entity e;
    e.velocity.set(0, 0, 3);
    e.angularVelocity.set(0, 0.25f, 0);
    e.scaleVelocity.set(0.5f, 0, 0);
    e.update_entity(dt);
    SCOPED_TRACE(dt);
    expect_vec(e.position, 0, 0, 3);
    expect_angle(e.rotation, 0, 0.25f, 0);
    expect_vec(e.scale, 1.5f, 1, 1);
    expect_vec(e.velocity, 0, 0, 3);  // no acceleration: the velocities stay as they were
  }
}

TEST(Entity, AccelerationsArePerSecondAndActBeforeTheValuesMove) {
  Entity e;
  e.acceleration.set(2, 0, -4);
  e.angularAcceleration.set(0, 0, 8);
  e.scaleAcceleration.set(0, -1, 0);
  e.update_entity(0.25f);
  // The derivatives grow by a quarter of their accelerations, and the values already
  // move by the grown derivatives in the same step.
  expect_vec(e.velocity, 0.5f, 0, -1);
  expect_vec(e.position, 0.5f, 0, -1);
  expect_angle(e.angularVelocity, 0, 0, 2);
  expect_angle(e.rotation, 0, 0, 2);
  expect_vec(e.scaleVelocity, 0, -0.25f, 0);
  expect_vec(e.scale, 1, 0.75f, 1);
  e.update_entity(0.25f);
  expect_vec(e.velocity, 1, 0, -2);
  expect_vec(e.position, 1.5f, 0, -3);
}

TEST(Entity, RotationGrowsPastTwoPiWithoutWrapping) {
  Entity e;
  e.angularVelocity.set(0.02f, 0, 0);  // a bug turret's turn
  for (int i = 0; i < 400; ++i) e.update_entity(0.016f);
  EXPECT_GT(e.rotation.yaw, 2 * 3.14159265f);
  EXPECT_NEAR(e.rotation.yaw, 8.0f, 1e-3f);
}

TEST(Entity, AnEntityAtRestOnlyAdvancesItsModel) {
  FrameCycle walk = make_frame_ring(nullptr, {{1, 0.25f}, {2, 0.25f}});
  ModelInstance model(walk.first(), nullptr);
  Entity e;
  e.model = &model;
  e.update_entity(0.1f);
  e.update_entity(0.2f);
  expect_vec(e.position, 0, 0, 0);
  expect_angle(e.rotation, 0, 0, 0);
  expect_vec(e.scale, 1, 1, 1);
  EXPECT_EQ(model.frame, &walk.frames[1]) << "the model counts the frame time: 0.25 - 0.3 < 0";
}
