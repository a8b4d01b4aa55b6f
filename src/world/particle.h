// Particles: short-lived sprites of the bursts, kept in a fixed pool. They move like
// entities (per-update velocities, per-second accelerations), carry a single spin angle
// and a life in seconds, and retire themselves when the life runs out.
#ifndef VORNEX_WORLD_PARTICLE_H
#define VORNEX_WORLD_PARTICLE_H

#include "math/scalar.h"
#include "math/vec3.h"

// Size of a particle pool.
const int kParticleCount = 1000;
// How many particles one spawn tests before it takes a live one.
const int kParticleSearchLength = 100;

struct Particle {
  bool active = false;  // slot in use: only active particles move and are drawn
  Vec3 position;        // world position
  Scalar rotation;      // radians; stepped but not used for drawing
  Vec3 scale{1.0f, 1.0f, 1.0f};
  Vec3 velocity;            // change of position per update
  Scalar spin;              // change of rotation per update
  Vec3 scaleVelocity;       // change of scale per update
  Vec3 acceleration;        // change of velocity per second
  Scalar spinAcceleration;  // change of spin per second
  Vec3 scaleAcceleration;   // change of scaleVelocity per second
  float life = 0.0f;        // seconds left; retires when it falls below zero

  // One step of an active particle (an inactive one is left alone): the derivatives
  // from the accelerations (scaled by dt), the values by their derivatives (once per
  // call), then dt off the life. A life that falls below zero retires the particle;
  // exactly zero keeps it for one more update.
  void update_particle(float dt);
};

// Where the next search for a free particle starts: 0 at program start, kept across
// worlds. Always within 0 .. kParticleCount - 1 after a spawn.
extern int g_particle_cursor;

// Takes a particle from `pool` (kParticleCount particles: the current world's pool,
// which the caller passes in). Tests up to kParticleSearchLength particles from the
// cursor on, wrapping round the pool, and takes the first free one; when every tested
// one is in use it takes the one kParticleSearchLength places after the cursor anyway,
// ending that particle early. The cursor is left on the particle taken. The particle is
// made active and reset to rest with scale (0, 0, 0); its life is left as it was, for
// the caller to set along with position, velocity and acceleration. Never fails.
Particle* spawn_particle(Particle* pool);

#endif  // VORNEX_WORLD_PARTICLE_H
