// Entities: everything that moves in a game apart from particles (the player, the
// player's plasma bolts, the enemies). Each holds a position, rotation and scale with a
// first derivative (per update) and a second derivative (per second) of each.
#ifndef VORNEX_WORLD_ENTITY_H
#define VORNEX_WORLD_ENTITY_H

#include "math/angle3.h"
#include "math/vec3.h"
#include "world/animation.h"

struct Entity {
  bool active = false;             // slot in use: only active entities are drawn
  Vec3 position;                   // world position
  Angle3 rotation;                 // yaw, pitch, roll in radians; never wrapped
  Vec3 scale{1.0f, 1.0f, 1.0f};    // per axis
  Vec3 velocity;                   // change of position per update (not per second)
  Angle3 angularVelocity;          // change of rotation per update
  Vec3 scaleVelocity;              // change of scale per update
  Vec3 acceleration;               // change of velocity per second
  Angle3 angularAcceleration;      // change of angularVelocity per second
  Vec3 scaleAcceleration;          // change of scaleVelocity per second
  Vec3 halfSize;                   // half-extents of the axis-aligned collision box
  ModelInstance* model = nullptr;  // animated model; owned by whoever owns the entity
  bool stationary = false;         // rides on the entity in the slot before it (bug turrets)
  float nextThinkTime = 0.0f;      // world time at which a wandering enemy next turns
  float health = 0.0f;             // hit points

  // One step of dt seconds: first the derivatives from the accelerations (scaled by
  // dt), then the values by their derivatives (once per call, whatever dt is), then the
  // model's animation. Active or not, the entity moves. An entity without a model skips
  // the animation.
  void update_entity(float dt);
};

#endif  // VORNEX_WORLD_ENTITY_H
