// The first-person camera: the player's eye, the point looked at, and the steering
// from the mouse and the W, S, A, D keys once per play frame.
#ifndef VORNEX_MATH_CAMERA_H
#define VORNEX_MATH_CAMERA_H

#include <windows.h>

#include <d3dx9.h>

#include "math/vec3.h"

struct Camera {
  float timeStep;  // seconds between the last two camera updates
  Vec3 eye;
  Vec3 lookAt;  // stays 0.5 from the eye under the camera's own moves
  Vec3 up;
};

// The one camera: at program start at (0, 0, -2) looking along +z. Never reset, so a
// new game starts where the last one ended.
extern Camera g_camera;
// The view matrix, rebuilt by every update_camera; the effects read it as "View".
extern D3DXMATRIX g_view;
// Millisecond stamp of the previous camera update, an integer count so time steps stay
// exact however long the program runs. Meaningless until the clock has started.
extern DWORD g_camera_last_time;
extern bool g_camera_clock_started;

// One play frame's camera work: clock, mouse look, cursor re-centring, keys, view.
void update_camera();

// Sets g_camera.timeStep to the time since the previous tick, from timeGetTime.
void tick_camera_clock();
// The same at a given millisecond stamp. The first tick after a (re)start gives 0.
void tick_camera_clock_at(DWORD now_ms);
// Makes the next tick measure nothing, as at program start. Every new World calls it
// (a deliberate change: see world.cpp).
void restart_camera_clock();

// Turns the view by the mouse offsets of the last input poll: 1 degree of yaw per 15
// pixels and 1 degree of pitch per 30, with upward and downward pitch stopped past
// their limits.
void mouse_look();

// Rotates lookAt about the eye by angle_degrees around the unit vector axis.
void rotate_look_at(float angle_degrees, const Vec3& axis);

// The unit rotation quaternion (vector part x, y, z; scalar part w) for angle_degrees
// about the unit vector axis.
D3DXVECTOR4 quaternion_from_axis_angle(float angle_degrees, const Vec3& axis);

// W and S walk forward and back at 10 units per second, A and D turn the view left and
// right at 1 radian per second; opposite keys cancel.
void camera_keys();

// Moves eye and lookAt together horizontally along the view direction, speed in
// units per second over this update's time step.
void move_camera(float speed);

// Swings the eye around the look-at point about the vertical, rate in radians per
// second over this update's time step; positive turns the view to the right.
void orbit_camera(float rate);

#endif  // VORNEX_MATH_CAMERA_H
