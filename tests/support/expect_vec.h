// A vector checked component by component, each as a float to within a few units in the
// last place (the tests of the math and the world that expect exact arithmetic).
#ifndef VORNEX_TESTS_EXPECT_VEC_H
#define VORNEX_TESTS_EXPECT_VEC_H

#include <gtest/gtest.h>

#include "math/vec3.h"

inline void expect_vec(const Vec3& v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

#endif  // VORNEX_TESTS_EXPECT_VEC_H
