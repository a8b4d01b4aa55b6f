#include "play/enemy_pass.h"

#include <cmath>

#include "math/camera.h"
#include "math/random.h"
#include "play/fire_control.h"
#include "sound/sound.h"
#include "world/world.h"

namespace {

const int kKillSound = 2;

// Three times out of four an enemy heads for the player, otherwise anywhere, at 0.01
// units per update, until it thinks again 1 to 3 s later.
void think(Entity& enemy, float elapsed) {
  const Vec3& eye = g_camera.eye;
  float yaw;
  if (random_unit() > 0.75f) {
    yaw = 6.28f * random_unit();
  } else {
    yaw = std::atan2(enemy.position.x - eye.x, enemy.position.z - eye.z) + 1.57f;
  }
  enemy.rotation.yaw = yaw;
  enemy.velocity = Vec3(std::cos(yaw), 0.0f, -std::sin(yaw)) / 100.0f;
  enemy.nextThinkTime = elapsed + 1.0f + 2.0f * random_unit();
}

// Places the enemy just outside every other free-moving enemy it overlaps, on x and z,
// on the side it is on. Height takes part in the test but is never changed.
void keep_apart(World& world, int k) {
  Entity& enemy = world.entities[k];
  for (int m = kFirstEnemy; m <= kLastEnemy; ++m) {
    const Entity& other = world.entities[m];
    if (!other.active || m == k || other.stationary) continue;
    Vec3 vec = enemy.position - other.position;
    Vec3 bump = enemy.halfSize + other.halfSize;
    if (!boxes_overlap(vec, bump)) continue;
    enemy.position.x =
        enemy.position.x >= other.position.x ? other.position.x + bump.x : other.position.x - bump.x;
    enemy.position.z =
        enemy.position.z >= other.position.z ? other.position.z + bump.z : other.position.z - bump.z;
  }
}

void kill(World& world, Entity& enemy) {
  enemy.health = kRevivedHealth;
  reposition_near_player(enemy);
  world.kills += 1;
  stop_sound(kKillSound);
  play_sound(kKillSound);
}

// Every active bolt overlapping the enemy hits it and bursts. Later bolts are tested
// against where the enemy is by then, so one enemy can take several in a frame.
void take_bolts(World& world, Entity& enemy) {
  for (int b = kFirstBolt; b < kFirstBolt + kBoltCount; ++b) {
    Entity& bolt = world.entities[b];
    if (!bolt.active) continue;
    Vec3 vec = enemy.position - bolt.position;
    Vec3 bump = enemy.halfSize + bolt.halfSize;
    if (!boxes_overlap(vec, bump)) continue;
    enemy.health -= random_range(0.5f, 1.0f);
    if (enemy.health < 0.0f) kill(world, enemy);
    spawn_burst(world.particles, bolt.position);
    bolt.active = false;
  }
}

// Moves the eye just outside the enemy's box on both x and z, on the side it was on.
// `vec` is the enemy's offset from the eye taken before the leash and the ground step.
void push_player(const Entity& enemy, const Vec3& vec) {
  Vec3& eye = g_camera.eye;
  Vec3 vec2 = eye - enemy.position;
  Vec3 bump = enemy.halfSize + kPlayerHalfSize;
  if (!boxes_overlap(vec2, bump)) return;
  eye.x += vec.x - (vec.x > 0.0f ? bump.x : -bump.x);
  eye.z += vec.z - (vec.z > 0.0f ? bump.z : -bump.z);
}

void enemy_step(World& world, int k) {
  Entity& enemy = world.entities[k];
  if (enemy.stationary) {
    // A part riding on the enemy before it: never hit, never moved apart, never pushes.
    enemy.position = world.entities[k - 1].position;
    return;
  }
  if (world.elapsed > enemy.nextThinkTime) think(enemy, world.elapsed);
  keep_apart(world, k);
  take_bolts(world, enemy);

  Vec3 vec = enemy.position - g_camera.eye;
  if (vec.length() > kLeashLength) reposition_near_player(enemy);

  enemy.position.y = -world.terrain.terrain_height(4.0f * enemy.position.x, 4.0f * enemy.position.z);
  push_player(enemy, vec);
}

}  // namespace

bool boxes_overlap(const Vec3& offset, const Vec3& bump) {
  return std::fabs(offset.x) < bump.x && std::fabs(offset.y) < bump.y && std::fabs(offset.z) < bump.z;
}

float draw_sign(float value) { return value < 0.0f ? -1.0f : 1.0f; }

void reposition_near_player(Entity& enemy) {
  // Separate statements: the draws must happen in this order.
  float sx = draw_sign(random_signed());
  float sy = draw_sign(random_signed());
  float sz = draw_sign(random_signed());
  const Vec3& eye = g_camera.eye;
  enemy.position.x = eye.x + (15.0f + 5.0f * random_unit()) * sx;
  enemy.position.y = eye.y + (15.0f + 5.0f * random_unit()) * sy;
  enemy.position.z = eye.z + (15.0f + 5.0f * random_unit()) * sz;
}

void enemy_pass(World& world) {
  for (int k = kFirstEnemy; k <= kLastEnemy; ++k) {
    // An inactive slot is never drawn, so it must not take bolts or count as a kill.
    if (!world.entities[k].active) continue;
    enemy_step(world, k);
  }
}
