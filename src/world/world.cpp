#include "world/world.h"

#include "app/input.h"
#include "app/shell.h"

World* g_world = nullptr;

World::World() { g_world = this; }

World::~World() {
  if (g_world == this) g_world = nullptr;
}

void update_world(World& world, float dt) {
  poll_input();
  world.elapsed += dt;
  world.timeRemaining -= dt;
  if (world.timeRemaining < 0) g_screen_state = 7;
}
