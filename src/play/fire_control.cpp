#include "play/fire_control.h"

#include <cmath>

#include "app/input.h"
#include "math/camera.h"
#include "math/random.h"
#include "sound/sound.h"
#include "world/world.h"

int g_arm_step = 0;
int g_last_arm_step = 0;
int g_arm_phase = 0;
float g_next_fire_time = 0.0f;
int g_shot_count = 0;

namespace {

const int kShotSound = 1;
const float kArmSteps = 22.0f;  // arm clock steps per second
const float kArmOffset = 0.2f;  // sideways from the eye to the firing arm
const float kMuzzleAhead = 0.13f;

// The step of the arm clock at the given time, 1 to 8. The remainder keeps the sign of
// the dividend; taken in float so that no time, however long, overflows an int.
int arm_step_at(float elapsed) {
  float remainder = std::fmod(std::trunc(elapsed * kArmSteps), 8.0f);
  return static_cast<int>(remainder) + 1;
}

// Advances the arm phase by one whenever the arm clock has moved on. A sequence ends
// on 0 after its fourth frame, and 0 stays 0.
void tick_arms(float elapsed) {
  g_arm_step = arm_step_at(elapsed);
  if (g_arm_step == g_last_arm_step) return;
  g_last_arm_step = g_arm_step;
  g_arm_phase = g_arm_phase % 8 + 1;
  if (g_arm_phase == 5 || g_arm_phase == 1) g_arm_phase = 0;
}

void fire_bolt(World& world, const Vec3& forward, const Vec3& left) {
  // Counted as unsigned so that neither the ring slot nor the count itself can go wrong
  // past INT_MAX shots.
  unsigned count = static_cast<unsigned>(g_shot_count);
  Entity& bolt = world.entities[kFirstBolt + count % kBoltCount];
  bolt.active = true;

  float side = kArmOffset;
  g_arm_phase = 1;
  if (count % 2 == 1) {
    side = -kArmOffset;
    g_arm_phase = 5;
  }

  Vec3 aim = g_camera.lookAt - g_camera.eye;
  aim.normalize();
  bolt.position = g_camera.eye + forward * kMuzzleAhead + left * side;
  bolt.scale.set(2.0f, 2.0f, 2.0f);
  bolt.velocity = aim / 5.0f;
  bolt.angularVelocity.set(0.5f, 1.05f, 0.65f);  // the bolt tumbles
  bolt.acceleration.set(0.0f, -0.03f, 0.0f);     // and falls in an arc

  g_shot_count = static_cast<int>(count + 1);
  g_next_fire_time = world.elapsed + kFireInterval;
  bolt.halfSize.set(0.1f, 0.1f, 0.1f);

  stop_sound(kShotSound);
  set_sound_frequency(kShotSound, static_cast<int>(random_int(7800, 8200)));
  set_sound_pan(kShotSound, static_cast<int>(side * 10000.0f));
  play_sound(kShotSound);
}

}  // namespace

void reset_fire_control() { g_next_fire_time = 0.0f; }

void aim_vectors(Vec3* forward, Vec3* left) {
  Vec3 ahead(g_camera.lookAt.x - g_camera.eye.x, 0.0f, g_camera.lookAt.z - g_camera.eye.z);
  ahead.normalize();
  float yaw = -std::atan2(ahead.z, ahead.x);
  *forward = ahead;
  *left = Vec3(std::sin(yaw), 0.0f, std::cos(yaw));
}

void fire_control(World& world, const Vec3& forward, const Vec3& left) {
  tick_arms(world.elapsed);
  if (!g_mouse_button) return;
  if (!(g_next_fire_time < world.elapsed)) return;
  if (g_arm_phase != 0) return;
  fire_bolt(world, forward, left);
}

void bolt_ground_test(World& world, Entity& bolt) {
  float h = world.terrain.terrain_height(4.0f * bolt.position.x, 4.0f * bolt.position.z);
  if (bolt.position.y < -h) {
    spawn_burst(world.particles, bolt.position);
    bolt.active = false;
  }
}

void spawn_burst(Particle* pool, Vec3 point) {
  for (int i = 0; i < kBurstParticles; ++i) {
    Particle* p = spawn_particle(pool);
    p->position = point;
    // Separate statements: the draws must happen in this order.
    float c = random_signed();
    float b = random_unit();
    float a = random_signed();
    p->velocity = Vec3(a / 30.0f, b / 20.0f, c / 30.0f);
    p->acceleration.y = -0.1f;
    p->active = true;
    p->life = 1.0f;
  }
}
