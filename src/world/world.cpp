#include "world/world.h"

#include "app/input.h"
#include "app/shell.h"
#include "assets/manifest.h"
#include "gfx/device.h"
#include "gfx/vertex.h"
#include "math/camera.h"
#include "play/fire_control.h"
#include "sound/sound.h"

World* g_world = nullptr;

namespace {

struct OpeningEnemy {
  int index;
  FrameCycle World::*cycle;
  const char* skin;
  Vec3 position;
  float health;
  Vec3 halfSize;
  bool turret;
};

const OpeningEnemy kOpeningEnemies[] = {
    {101, &World::bugTankCycle, "BUGTANK", {10, 0, 10}, 2, {0.25f, 0.5f, 0.25f}, false},
    {102, &World::bugTurretCycle, "BUGTOP", {10, 0, 10}, 1e9f, {0, 0, 0}, true},
    {103, &World::cannonCycle, "CANNON", {5, 0, 10}, 3, {0.2f, 1, 0.2f}, false},
    {104, &World::hoverCycle, "HOVERTANK", {10, 0, 5}, 2, {0.2f, 0.3f, 0.2f}, false},
    {105, &World::bugTankCycle, "BUGTANK", {-10, 0, -10}, 2, {0.25f, 0.5f, 0.25f}, false},
    {106, &World::bugTurretCycle, "BUGTOP", {-10, 0, -10}, 1e9f, {0, 0, 0}, true},
    {107, &World::cannonCycle, "CANNON", {-5, 0, 10}, 3, {0.2f, 1, 0.2f}, false},
    {108, &World::hoverCycle, "HOVERTANK", {-10, 0, 20}, 2, {0.2f, 0.3f, 0.2f}, false},
    {109, &World::cannonCycle, "CANNON", {-15, 0, -15}, 3, {0.2f, 1, 0.2f}, false},
};

// Four vertices at the origin: the particle effect makes a camera-facing sprite of them.
const FlexVertex kQuadVertices[4] = {
    {0.0f, 0.0f, 0.0f, 0xFFC8C8C8, 0, 0},
    {-0.0f, 0.0f, 0.0f, 0xFFC8C8C8, 1, 0},
    {0.0f, -0.0f, 0.0f, 0xFFC8C8C8, 0, 1},
    {-0.0f, -0.0f, 0.0f, 0xFFC8C8C8, 1, 1},
};

// The sky cube, four vertices a face, each face a quarter of the sky texture.
const FlexVertex skyboxBuff[24] = {
    {1, 1, -1, 0xFFFFFFFF, 0.5f, 0},     {-1, 1, -1, 0xFFFFFFFF, 1, 0},
    {1, -1, -1, 0xFFFFFFFF, 0.5f, 0.5f}, {-1, -1, -1, 0xFFFFFFFF, 1, 0.5f},
    {1, 1, 1, 0xFFFFFFFF, 0, 0.5f},      {-1, 1, 1, 0xFFFFFFFF, 0.5f, 0.5f},
    {1, -1, 1, 0xFFFFFFFF, 0, 1},        {-1, -1, 1, 0xFFFFFFFF, 0.5f, 1},
    {1, -1, 1, 0xFFFFFFFF, 0, 0},        {-1, -1, 1, 0xFFFFFFFF, 0.5f, 0},
    {1, -1, -1, 0xFFFFFFFF, 0, 0.5f},    {-1, -1, -1, 0xFFFFFFFF, 0.5f, 0.5f},
    {1, 1, 1, 0xFFFFFFFF, 0, 0},         {-1, 1, 1, 0xFFFFFFFF, 0.5f, 0},
    {1, 1, -1, 0xFFFFFFFF, 0, 0.5f},     {-1, 1, -1, 0xFFFFFFFF, 0.5f, 0.5f},
    {-1, 1, 1, 0xFFFFFFFF, 0, 0},        {-1, -1, 1, 0xFFFFFFFF, 0.5f, 0},
    {-1, 1, -1, 0xFFFFFFFF, 0, 0.5f},    {-1, -1, -1, 0xFFFFFFFF, 0.5f, 0.5f},
    {1, 1, 1, 0xFFFFFFFF, 0, 0},         {1, -1, 1, 0xFFFFFFFF, 0.5f, 0},
    {1, 1, -1, 0xFFFFFFFF, 0, 0.5f},     {1, -1, -1, 0xFFFFFFFF, 0.5f, 0.5f},
};

void set_texture(ShaderEffect* wrapper, const char* parameter, const char* key) {
  // A wrapper whose effect failed to compile has nothing to bind to.
  if (wrapper->effect) wrapper->effect->SetTexture(parameter, find_texture(key));
}

}  // namespace

World::World() {
  player.active = true;
  player.halfSize = Vec3(0.5f, 0.5f, 1.0f);

  terrain.generate(129, 129);

  terrainEffect = load_effect("ShdTerrain.fx", "CurveShader");
  plasmaEffect = load_effect("ShdPlasma.fx", "GlobalShader");
  set_texture(plasmaEffect, "textureImage1", "PLASMA1");
  set_texture(plasmaEffect, "textureImage2", "PLASMA2");
  particleEffect = load_effect("ShdPartical.fx", "DrayShader");
  set_texture(particleEffect, "textureImage", "BLURPART");

  bulletFrame = make_still_frame(find_mesh("BULLET"), 0, 0.0f);
  player.model = models.make(bulletFrame.first(), nullptr);
  for (Entity& entity : entities) {
    entity.model = models.make(bulletFrame.first(), nullptr);
    entity.active = false;
  }

  bugTankCycle = make_frame_ring(find_mesh("BUGTANK"), {{1, 0.25f}, {2, 0.25f}, {3, 0.25f}, {4, 0.25f}});
  bugTurretCycle = make_frame_ring(find_mesh("BUGTOP"), {{0, 0.84f}, {0, 0.16f}});
  cannonCycle = make_frame_ring(find_mesh("CANNON"), {{1, 0.16f}, {2, 0.16f}, {3, 0.16f}, {4, 0.16f}});
  hoverCycle = make_frame_ring(find_mesh("HOVERTANK"), {{0, 0.1f}, {1, 0.1f}, {2, 0.1f}, {3, 0.1f}});

  // Slot 100 stays inactive; it still gets defined enemy fields for the enemy pass.
  entities[kFirstEnemy].health = 2.0f;
  for (const OpeningEnemy& opening : kOpeningEnemies) {
    Entity& enemy = entities[opening.index];
    enemy.position = opening.position;
    enemy.model = models.make((this->*opening.cycle).first(), find_texture(opening.skin));
    enemy.health = opening.health;
    enemy.active = true;
    enemy.halfSize = opening.halfSize;
    if (opening.turret) {
      enemy.angularVelocity = Angle3(0.02f, 0.0f, 0.0f);
      enemy.stationary = true;
    }
  }

  elapsed = 0.0f;
  g_world = this;
  // Deliberate change: a new game's camera starts its clock afresh (its first step is
  // 0). Left running, the first camera update of a game would measure all the time since
  // the last play frame of the one before (the game-over screen, the menus, the story),
  // and a key held into the new game would move or turn the player by all of it at once.
  restart_camera_clock();
  reset_fire_control();

  set_sound_frequency(0, 11025);
  set_sound_frequency(1, 8000);
  set_sound_frequency(2, 9000);

  quadBuffer = make_vertex_buffer(kQuadVertices, 4);
  if (!quadBuffer) return;
  skyBuffer = make_vertex_buffer(skyboxBuff, 24);
  if (!skyBuffer) return;

  if (g_pd3d_render) D3DXCreateFontA(g_pd3d_render, 20, 0, 700, 0, FALSE, 1, 0, 0, 0, "Arial", &font);

  timeRemaining = kGameSeconds;
  kills = 0;
}

World::~World() {
  if (g_world == this) g_world = nullptr;
  delete terrainEffect;
  delete plasmaEffect;
  delete particleEffect;
  if (font) font->Release();
  if (quadBuffer) quadBuffer->Release();
  if (skyBuffer) skyBuffer->Release();
}

void update_world(World& world, float dt) {
  poll_input();

  Entity& player = world.player;
  player.position.y = -world.terrain.terrain_height(4 * player.position.x, 4 * player.position.z);

  // The eye rides 0.3 above the ground and the look-at point moves with it, so the view
  // direction stays as it was.
  float h = world.terrain.terrain_height(4 * g_camera.eye.x, 4 * g_camera.eye.z);
  float d = (0.3f - h) - g_camera.eye.y;
  g_camera.eye.y += d;
  g_camera.lookAt.y += d;

  for (Entity& entity : world.entities) entity.update_entity(dt);
  for (Particle& particle : world.particles) particle.update_particle(dt);

  world.elapsed += dt;
  play_sound(0);

  world.timeRemaining -= dt;
  if (world.timeRemaining < 0) g_screen_state = 7;
}
