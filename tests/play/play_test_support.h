// Support for the play tests: a World built without a graphics device (its effects fail
// quietly, its buffers stay null) on level ground, with the camera and the fire-control
// variables put back afterwards.
#ifndef VORNEX_TESTS_PLAY_PLAY_TEST_SUPPORT_H
#define VORNEX_TESTS_PLAY_PLAY_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>

#include "math/camera.h"
#include "math/random.h"
#include "play/fire_control.h"
#include "world/world.h"

namespace play_test {

// A World whose ground lies at y = 0 everywhere, built with the fire control at rest
// (the other games of the test run must not leak into it).
inline std::unique_ptr<World> make_level_world() {
  ::testing::internal::CaptureStderr();  // the effects cannot compile without a device
  std::unique_ptr<World> world(new World);
  ::testing::internal::GetCapturedStderr();
  world->terrain.heights.assign(world->terrain.heights.size(), 0.0f);
  for (Particle& particle : world->particles) particle = Particle();
  g_particle_cursor = 0;
  g_arm_step = 0;
  g_last_arm_step = 0;
  g_arm_phase = 0;
  g_next_fire_time = 0.0f;
  g_shot_count = 0;
  random_reset();
  return world;
}

// Sets the height of every grid point from its column: the ground rises towards +x, at
// world y = x (for x on the first tile, 0 to 32).
inline void make_slope(World& world) {
  Terrain& terrain = world.terrain;
  for (int r = 0; r < terrain.rows; ++r)
    for (int c = 0; c < terrain.columns; ++c) terrain.heights[r * terrain.columns + c] = -0.25f * c;
}

inline int active_particles(const World& world) {
  int count = 0;
  for (const Particle& particle : world.particles) count += particle.active ? 1 : 0;
  return count;
}

// Keeps the process-wide camera as it was before the test.
class CameraGuard {
 public:
  CameraGuard() : saved_(g_camera) {}
  ~CameraGuard() { g_camera = saved_; }
  CameraGuard(const CameraGuard&) = delete;
  CameraGuard& operator=(const CameraGuard&) = delete;

 private:
  Camera saved_;
};

inline void place_camera(const Vec3& eye, const Vec3& lookAt) {
  g_camera.eye = eye;
  g_camera.lookAt = lookAt;
}

}  // namespace play_test

#endif  // VORNEX_TESTS_PLAY_PLAY_TEST_SUPPORT_H
