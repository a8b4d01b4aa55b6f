// The first-person camera: its clock, mouse look with the pitch stops, walking and
// turning, driven step by step with chosen offsets, keys and time steps.
#include "math/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/input.h"

namespace {

const double kPi = 3.14159265358979;

double degrees(double radians) { return radians * 180.0 / kPi; }

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }

  static void reset() {
    g_camera.timeStep = 0.0f;
    g_camera.eye = Vec3(0.0f, 0.0f, -2.0f);
    g_camera.lookAt = Vec3(0.0f, 0.0f, -1.5f);
    g_camera.up = Vec3(0.0f, 1.0f, 0.0f);
    g_mouse_dx = g_mouse_dy = 0.0f;
    g_key_w = g_key_s = g_key_a = g_key_d = 0;
    restart_camera_clock();
  }

  static Vec3 view() { return g_camera.lookAt - g_camera.eye; }
  // Turn to the right of +z, in degrees.
  static double heading() { return degrees(std::atan2(view().x, view().z)); }
  // Tilt above the horizontal, in degrees.
  static double tilt() { return degrees(std::atan2(view().y, std::hypot(view().x, view().z))); }

  // Mouse offsets as the input poll reports a cursor (dx, dy) pixels from the centre.
  static void move_mouse(int dx, int dy) {
    g_mouse_dx = static_cast<float>(-dx / 50.0);
    g_mouse_dy = static_cast<float>(-dy / 100.0);
  }
};

}  // namespace

TEST_F(CameraTest, FirstUpdateHasNoTimeStepAndBuildsTheView) {
  g_camera.timeStep = 3.0f;
  g_key_w = 1;
  g_key_d = 1;
  update_camera();
  EXPECT_EQ(g_camera.timeStep, 0.0f);
  EXPECT_EQ(g_camera.eye.x, 0.0f);
  EXPECT_EQ(g_camera.eye.z, -2.0f);
  // The view takes the eye to the origin and the look-at point onto +z.
  D3DXVECTOR3 eye(0.0f, 0.0f, -2.0f), at(0.0f, 0.0f, -1.5f), out;
  D3DXVec3TransformCoord(&out, &eye, &g_view);
  EXPECT_NEAR(out.z, 0.0f, 1e-6);
  D3DXVec3TransformCoord(&out, &at, &g_view);
  EXPECT_NEAR(out.x, 0.0f, 1e-6);
  EXPECT_NEAR(out.z, 0.5f, 1e-6);
}

TEST_F(CameraTest, ClockMeasuresWholeMillisecondsEvenLateInALongSession) {
  tick_camera_clock_at(5000);
  EXPECT_EQ(g_camera.timeStep, 0.0f);
  tick_camera_clock_at(5016);
  EXPECT_FLOAT_EQ(g_camera.timeStep, 0.016f);
  restart_camera_clock();
  tick_camera_clock_at(86400000);  // a day in, a float of seconds would step in 8 ms units
  tick_camera_clock_at(86400001);
  EXPECT_FLOAT_EQ(g_camera.timeStep, 0.001f);
  tick_camera_clock_at(0x00000004u - 10u);
  tick_camera_clock_at(0x00000004u);
  EXPECT_FLOAT_EQ(g_camera.timeStep, 0.010f) << "across the counter's wrap";
}

TEST_F(CameraTest, FifteenPixelsRightTurnsOneDegreeRight) {
  move_mouse(15, 0);
  mouse_look();
  EXPECT_NEAR(heading(), 1.0, 1e-4);
  EXPECT_NEAR(tilt(), 0.0, 1e-4);
  EXPECT_NEAR(view().length(), 0.5f, 1e-6);
  EXPECT_EQ(g_camera.eye.z, -2.0f) << "the eye stays put";
}

TEST_F(CameraTest, ThirtyPixelsUpTiltsOneDegreeUp) {
  move_mouse(0, -30);
  mouse_look();
  EXPECT_NEAR(tilt(), 1.0, 1e-4);
  EXPECT_NEAR(heading(), 0.0, 1e-4);
  move_mouse(0, 60);
  mouse_look();
  EXPECT_NEAR(tilt(), -1.0, 1e-4);
}

TEST_F(CameraTest, PitchStopsHoldOneWayOnly) {
  rotate_look_at(31.0f, Vec3(-1.0f, 0.0f, 0.0f));  // lookAt 0.2575 above the eye
  ASSERT_NEAR(tilt(), 31.0, 1e-3);
  move_mouse(0, -30);
  mouse_look();
  EXPECT_NEAR(tilt(), 31.0, 1e-3) << "no further up";
  move_mouse(0, 30);
  mouse_look();
  EXPECT_NEAR(tilt(), 30.0, 1e-3) << "down still applies";

  reset();
  rotate_look_at(12.0f, Vec3(1.0f, 0.0f, 0.0f));  // lookAt 0.104 below the eye
  ASSERT_NEAR(tilt(), -12.0, 1e-3);
  move_mouse(0, 30);
  mouse_look();
  EXPECT_NEAR(tilt(), -12.0, 1e-3) << "no further down";
  move_mouse(0, -30);
  mouse_look();
  EXPECT_NEAR(tilt(), -11.0, 1e-3) << "up still applies";
}

TEST_F(CameraTest, WalkingOneSecondMovesTenUnitsLevelWhateverTheHeight) {
  g_camera.timeStep = 1.0f;
  g_key_w = 1;
  camera_keys();
  EXPECT_FLOAT_EQ(g_camera.eye.z, 8.0f);
  EXPECT_FLOAT_EQ(g_camera.lookAt.z, 8.5f);
  EXPECT_EQ(g_camera.eye.x, 0.0f);

  // Standing deep on the ground, looking slightly up and off the axis: still 10 units,
  // horizontally along the view, and no height changes.
  g_camera.eye = Vec3(1.0f, -6.0f, 2.0f);
  g_camera.lookAt = Vec3(1.3f, -5.9f, 2.4f);
  camera_keys();
  EXPECT_NEAR(g_camera.eye.x, 7.0f, 1e-5);
  EXPECT_NEAR(g_camera.eye.z, 10.0f, 1e-5);
  EXPECT_NEAR(g_camera.lookAt.x, 7.3f, 1e-5);
  EXPECT_EQ(g_camera.eye.y, -6.0f);
  EXPECT_EQ(g_camera.lookAt.y, -5.9f);

  g_key_s = 1;  // with W: cancels
  Vec3 before = g_camera.eye;
  camera_keys();
  EXPECT_NEAR(g_camera.eye.x, before.x, 1e-5);
  EXPECT_NEAR(g_camera.eye.z, before.z, 1e-5);
}

TEST_F(CameraTest, TurningKeysSwingTheEyeAroundTheLookAtPoint) {
  g_camera.timeStep = static_cast<float>(kPi / 2);
  g_key_d = 1;
  camera_keys();
  EXPECT_NEAR(heading(), 90.0, 1e-4);
  EXPECT_NEAR(view().length(), 0.5f, 1e-6);
  EXPECT_EQ(g_camera.lookAt.z, -1.5f) << "the pivot is the look-at point";
  EXPECT_NEAR(g_camera.eye.x, -0.5f, 1e-6);

  g_key_d = 0;
  g_key_a = 1;
  camera_keys();
  camera_keys();
  EXPECT_NEAR(heading(), -90.0, 1e-4);
  EXPECT_NEAR(view().length(), 0.5f, 1e-6);
}
