// The World: one game. It holds the player, the entity pool (bolts 0-99, enemies
// 100-109), the terrain, the particle pool, the heads-up font, the particle quad and the
// sky cube, the three effects and the game's two clocks, and owns everything it makes:
// discarding a World releases all of it.
#ifndef VORNEX_WORLD_WORLD_H
#define VORNEX_WORLD_WORLD_H

#include <d3dx9.h>

#include "gfx/shader_effect.h"
#include "terrain/terrain.h"
#include "world/animation.h"
#include "world/entity.h"
#include "world/particle.h"

const int kEntityCount = 1000;
const int kFirstBolt = 0;      // the player's bolts, a ring of 100
const int kBoltCount = 100;
const int kFirstEnemy = 100;   // the enemy slots, 100 to 109
const int kLastEnemy = 109;
const float kGameSeconds = 180.0f;

struct World {
  Entity player;
  Entity entities[kEntityCount];
  Terrain terrain;
  Particle particles[kParticleCount];
  ID3DXFont* font = nullptr;
  // A World whose construction stops early still plays a whole game.
  float timeRemaining = kGameSeconds;
  IDirect3DVertexBuffer9* quadBuffer = nullptr;
  IDirect3DVertexBuffer9* skyBuffer = nullptr;
  int kills = 0;
  ShaderEffect* terrainEffect = nullptr;
  ShaderEffect* plasmaEffect = nullptr;
  ShaderEffect* particleEffect = nullptr;
  float elapsed = 0.0f;

  // The animation frames and model instances the entities play.
  FrameCycle bulletFrame;
  FrameCycle bugTankCycle;
  FrameCycle bugTurretCycle;
  FrameCycle cannonCycle;
  FrameCycle hoverCycle;
  ModelStore models;

  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;
};

// The most recently built World, or null once it is discarded.
extern World* g_world;

// One update of the game: input, the player and camera seated on the ground, every
// entity and particle stepped, the clocks advanced, the background sound kept going,
// and the game ended into state 7 once timeRemaining falls below 0 (exactly 0 plays on).
void update_world(World& world, float dt);

#endif  // VORNEX_WORLD_WORLD_H
