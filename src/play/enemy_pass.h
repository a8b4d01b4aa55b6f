// The enemies' whole behaviour, once per play frame: choosing headings, keeping apart,
// taking hits from the player's bolts, dying and coming back near the player, staying
// within reach of the player, standing on the ground and pushing the player away.
#ifndef VORNEX_PLAY_ENEMY_PASS_H
#define VORNEX_PLAY_ENEMY_PASS_H

#include "math/vec3.h"

struct World;
struct Entity;

// Health a killed enemy comes back with, whatever its kind started with.
const float kRevivedHealth = 2.0f;
// An enemy farther than this from the eye is brought back near the player.
const float kLeashLength = 25.0f;
// Half size of the player's collision box, centred on the eye.
const Vec3 kPlayerHalfSize(0.2f, 1.0f, 0.2f);

// Two boxes whose centres lie `offset` apart overlap when, on every axis, the distance
// is strictly less than `bump`, the sum of their half sizes.
bool boxes_overlap(const Vec3& offset, const Vec3& bump);

// The side of a signed random draw: -1 below zero, +1 otherwise (zero counts as +1).
float draw_sign(float value);

// Moves an enemy 15 to 20 units from the eye on each of x, y and z, each on a random
// side (the ground later replaces y).
void reposition_near_player(Entity& enemy);

// One frame of every active enemy slot (100 to 109, in order). Riding parts (turrets)
// only follow the slot before them. The others think when their think time has passed,
// move out of an enemy they overlap, take every overlapping bolt (losing 0.5 to 1
// health each and bursting it; below 0 they are killed: counted, revived with
// kRevivedHealth near the player, with the kill sound), are brought back when farther
// than kLeashLength, are set on the ground and push the eye out of their box.
void enemy_pass(World& world);

#endif  // VORNEX_PLAY_ENEMY_PASS_H
