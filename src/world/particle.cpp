#include "world/particle.h"

int g_particle_cursor = 0;

void Particle::update_particle(float dt) {
  if (!active) return;
  velocity += acceleration * dt;
  spin += spinAcceleration * dt;
  scaleVelocity += scaleAcceleration * dt;
  position += velocity;
  rotation += spin;
  scale += scaleVelocity;
  life -= dt;
  if (life < 0) active = false;
}

Particle* spawn_particle(Particle* pool) {
  // The cursor is a global anyone can write; bring it into the pool so that a stray
  // value cannot index outside it.
  int start = (g_particle_cursor % kParticleCount + kParticleCount) % kParticleCount;
  int i = start;
  while (i < start + kParticleSearchLength && pool[i % kParticleCount].active) ++i;
  g_particle_cursor = i % kParticleCount;

  Particle& particle = pool[g_particle_cursor];
  float life = particle.life;
  particle = Particle();
  particle.active = true;
  particle.scale.set(0.0f, 0.0f, 0.0f);
  particle.life = life;
  return &particle;
}
