// The World: one game. For now it holds the game's clocks and score; the terrain,
// entities, particles and their drawing resources join it as they are built.
#ifndef VORNEX_WORLD_WORLD_H
#define VORNEX_WORLD_WORLD_H

struct World {
  float timeRemaining = 180.0f;  // a game lasts three minutes
  int kills = 0;
  float elapsed = 0.0f;

  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;
};

// The most recently built World, or null once it is discarded.
extern World* g_world;

// One update of the game: input, clocks, and the end of the game into state 7 once
// timeRemaining falls below 0 (exactly 0 plays on).
void update_world(World& world, float dt);

#endif  // VORNEX_WORLD_WORLD_H
