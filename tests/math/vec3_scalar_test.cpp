#include "math/angle3.h"
#include "math/scalar.h"
#include "math/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/expect_vec.h"

TEST(Vec3, ArithmeticLeavesOperandsAlone) {
  const Vec3 a(1.0f, 2.0f, 3.0f);
  const Vec3 b(0.5f, -1.0f, 4.0f);
  expect_vec(a + b, 1.5f, 1.0f, 7.0f);
  expect_vec(a - b, 0.5f, 3.0f, -1.0f);
  expect_vec(a * 2.0f, 2.0f, 4.0f, 6.0f);
  expect_vec(a / 4.0f, 0.25f, 0.5f, 0.75f);
  expect_vec(a, 1.0f, 2.0f, 3.0f);
  expect_vec(b, 0.5f, -1.0f, 4.0f);
}

TEST(Vec3, InPlaceOperationsAndAssign) {
  Vec3 v(1.0f, 2.0f, 3.0f);
  v += Vec3(1.0f, 1.0f, 1.0f);
  expect_vec(v, 2.0f, 3.0f, 4.0f);
  v /= 2.0f;
  expect_vec(v, 1.0f, 1.5f, 2.0f);
  v.set(-7.0f, 8.0f, 9.0f);
  expect_vec(v, -7.0f, 8.0f, 9.0f);
}

TEST(Vec3, LengthAndNormalize) {
  Vec3 v(3.0f, 0.0f, 4.0f);
  EXPECT_FLOAT_EQ(v.length(), 5.0f);
  Vec3& same = v.normalize();
  EXPECT_EQ(&same, &v);
  expect_vec(v, 0.6f, 0.0f, 0.8f);
}

TEST(Vec3, NormalizingZeroVectorLeavesItZero) {
  Vec3 v(0.0f, 0.0f, 0.0f);
  v.normalize();
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_EQ(v.z, 0.0f);
  EXPECT_FALSE(std::isnan(v.x));
}

TEST(Scalar, DefaultsToZeroAndReadsItsValue) {
  Scalar s;
  EXPECT_EQ(static_cast<float>(s), 0.0f);
  Scalar t(2.5f);
  EXPECT_EQ(t.value(), 2.5f);
}

TEST(Scalar, BinaryOperatorsGivePlainFloatsAndLeaveOperands) {
  Scalar a(6.0f), b(1.5f);
  EXPECT_EQ(a + b, 7.5f);
  EXPECT_EQ(a - b, 4.5f);
  EXPECT_EQ(a * b, 9.0f);
  EXPECT_EQ(a / b, 4.0f);
  EXPECT_EQ(a.value(), 6.0f);
  EXPECT_EQ(b.value(), 1.5f);
}

TEST(Scalar, CompoundAssignmentReturnsNewValue) {
  Scalar a(1.0f), b(0.25f);
  float r = (a += b);
  EXPECT_EQ(r, a.value());
  EXPECT_EQ(r, 1.25f);
  EXPECT_EQ(a -= b, 1.0f);
  EXPECT_EQ(a *= Scalar(3.0f), 3.0f);
  EXPECT_EQ(a /= Scalar(2.0f), 1.5f);
  EXPECT_EQ(a.value(), 1.5f);
}

TEST(Scalar, DivisionByZeroFollowsIeee) {
  Scalar one(1.0f), zero;
  EXPECT_EQ(one / zero, std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(zero / zero));
  Scalar a(-1.0f);
  EXPECT_EQ(a /= zero, -std::numeric_limits<float>::infinity());
}

TEST(Angle3, OperationsAreComponentWise) {
  Angle3 zero;
  EXPECT_EQ(zero.yaw.value(), 0.0f);
  EXPECT_EQ(zero.roll.value(), 0.0f);

  Angle3 a(1.0f, 2.0f, 3.0f);
  Angle3 sum = a + Angle3(0.5f, -1.0f, 4.0f);
  EXPECT_EQ(sum.yaw.value(), 1.5f);
  EXPECT_EQ(sum.pitch.value(), 1.0f);
  EXPECT_EQ(sum.roll.value(), 7.0f);

  Angle3 scaled = a * 0.5f;
  EXPECT_EQ(scaled.pitch.value(), 1.0f);
  EXPECT_EQ(a.pitch.value(), 2.0f);

  a += Angle3(1.0f, 1.0f, 1.0f);
  a.set(a.yaw, 0.0f, a.roll);
  EXPECT_EQ(a.yaw.value(), 2.0f);
  EXPECT_EQ(a.pitch.value(), 0.0f);
  EXPECT_EQ(a.roll.value(), 4.0f);
}
