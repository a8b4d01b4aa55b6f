#include "full_pools.h"

#include "math/camera.h"
#include "world/world.h"

namespace {

// A point `ahead` units in front of the eye on the level view direction, `side` to the
// right, and `up` above the ground there (the ground lies at y = -height).
Vec3 in_view(const World& world, float ahead, float side, float up) {
  Vec3 forward(g_camera.lookAt.x - g_camera.eye.x, 0.0f, g_camera.lookAt.z - g_camera.eye.z);
  forward.normalize();
  Vec3 right(forward.z, 0.0f, -forward.x);
  Vec3 at = g_camera.eye + forward * ahead + right * side;
  at.y = up - world.terrain.terrain_height(4.0f * at.x, 4.0f * at.z);
  return at;
}

}  // namespace

void fill_pools(World& world) {
  for (int i = 0; i < kBoltCount; ++i) {
    Entity& bolt = world.entities[kFirstBolt + i];
    bolt.active = true;
    bolt.position = in_view(world, 1.5f + 0.5f * static_cast<float>(i / 10),
                            -1.0f + 0.2f * static_cast<float>(i % 10), 0.25f);
    bolt.scale.set(2.0f, 2.0f, 2.0f);
    bolt.velocity.set(0.0f, 0.0f, 0.0f);
    bolt.acceleration.set(0.0f, 0.0f, 0.0f);
    bolt.angularVelocity.set(0.5f, 1.05f, 0.65f);
    bolt.halfSize.set(0.1f, 0.1f, 0.1f);
  }
  for (int i = 0; i < kParticleCount; ++i) {
    Particle& particle = world.particles[i];
    particle = Particle();
    particle.active = true;
    particle.position =
        in_view(world, 1.0f + 0.1f * static_cast<float>(i / 40), -1.0f + 0.05f * static_cast<float>(i % 40),
                0.1f + 0.01f * static_cast<float>(i % 25));
    particle.scale.set(0.0f, 0.0f, 0.0f);
    particle.life = 1.0f;
  }
  world.timeRemaining = kGameSeconds;
}
