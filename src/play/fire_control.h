// The player's weapon: the first-person arms' firing animation, the plasma bolts they
// fire (a ring of 100 entity slots), each bolt's ground test and the impact burst.
#ifndef VORNEX_PLAY_FIRE_CONTROL_H
#define VORNEX_PLAY_FIRE_CONTROL_H

#include "math/vec3.h"

struct World;
struct Entity;
struct Particle;

// Steps of a 22-per-second arm clock, 1 to 8; the step seen when the phase last moved.
extern int g_arm_step;
extern int g_last_arm_step;
// The arms mesh subset drawn this frame: 0 at rest (ready to fire), 1 to 4 the first
// arm's firing frames, 5 to 8 the other arm's.
extern int g_arm_phase;
// No shot until the World's elapsed time exceeds this.
extern float g_next_fire_time;
// Shots fired since the program started: picks the bolt slot (count mod 100) and the
// arm (even count: the viewer's left arm, odd: the right).
extern int g_shot_count;

// Seconds between two shots: four steps of the arm clock.
const float kFireInterval = 0.181818f;
// Particles in one impact burst.
const int kBurstParticles = 30;

// A new game may fire at once, whenever the last game's last shot was. The other
// fire-control variables carry over from game to game.
void reset_fire_control();

// From the camera: forward is the view direction flattened onto the ground and made
// unit length (zero when looking straight up or down); left is forward turned a quarter
// turn to the viewer's left in the ground plane ((0, 0, 1) when forward is zero).
void aim_vectors(Vec3* forward, Vec3* left);

// One frame of the weapon: the arm animation tick, then a shot when the left button is
// down, the cool-down is over and the arms are at rest. A shot puts a bolt into the next
// ring slot, starts the firing arm's animation and plays the shot sound (slot 1) at a
// random pitch, panned for that arm.
void fire_control(World& world, const Vec3& forward, const Vec3& left);

// For an active bolt during the drawing pass: a bolt below the ground sampled at its
// own x and z bursts and is cleared (it is still drawn this frame).
void bolt_ground_test(World& world, Entity& bolt);

// kBurstParticles particles from pool (a World's particle pool) at point, flying
// outwards and upwards, falling, each living 1 s.
void spawn_burst(Particle* pool, Vec3 point);

#endif  // VORNEX_PLAY_FIRE_CONTROL_H
