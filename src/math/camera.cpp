#include "math/camera.h"

#include <mmsystem.h>

#include <cmath>

#include "app/input.h"
#include "app/shell.h"
#include "math/d3dx_convert.h"

Camera g_camera = {0.0f, Vec3(0.0f, 0.0f, -2.0f), Vec3(0.0f, 0.0f, -1.5f), Vec3(0.0f, 1.0f, 0.0f)};
D3DXMATRIX g_view;  // zero until the first camera update
DWORD g_camera_last_time = 0;
bool g_camera_clock_started = false;

namespace {

const float kDegreesToRadians = 0.017453292f;
const float kWalkSpeed = 10.0f;  // units per second
const float kTurnRate = 1.0f;    // radians per second
// Pitch stops: past these heights of lookAt above the eye (at the 0.5 eye-to-look-at
// distance about 30 degrees up and 11.5 degrees down) the view tilts no further that way.
const float kHighestLook = 0.25f;
const float kLowestLook = -0.1f;

// The quaternion product a * b (vector part x, y, z; scalar part w).
D3DXVECTOR4 quaternion_product(const D3DXVECTOR4& a, const D3DXVECTOR4& b) {
  return D3DXVECTOR4(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,  //
                     a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,  //
                     a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,  //
                     a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
}

}  // namespace

void update_camera() {
  tick_camera_clock();
  mouse_look();
  SetCursorPos(g_screen_width / 2, g_screen_height / 2);
  camera_keys();
  D3DXVECTOR3 eye = to_d3dx(g_camera.eye);
  D3DXVECTOR3 lookAt = to_d3dx(g_camera.lookAt);
  D3DXVECTOR3 up = to_d3dx(g_camera.up);
  D3DXMatrixLookAtLH(&g_view, &eye, &lookAt, &up);
}

void tick_camera_clock() { tick_camera_clock_at(timeGetTime()); }

// The difference of two unsigned stamps is exact and survives the counter's wrap.
void tick_camera_clock_at(DWORD now_ms) {
  if (!g_camera_clock_started) {
    g_camera_clock_started = true;
    g_camera_last_time = now_ms;
  }
  DWORD elapsed_ms = now_ms - g_camera_last_time;
  g_camera.timeStep = static_cast<float>(elapsed_ms / 1000.0);
  g_camera_last_time = now_ms;
}

void restart_camera_clock() { g_camera_clock_started = false; }

void mouse_look() {
  float yaw = g_mouse_dx * 100.0f / 30.0f;
  float pitch = g_mouse_dy * 100.0f / 30.0f;

  D3DXVECTOR3 vLook = to_d3dx(g_camera.lookAt - g_camera.eye);
  D3DXVECTOR3 up = to_d3dx(g_camera.up);
  D3DXVECTOR3 vLookNorm;
  D3DXVec3Cross(&vLookNorm, &vLook, &up);
  D3DXVECTOR3 vLookNormUnit;
  D3DXVec3Normalize(&vLookNormUnit, &vLookNorm);

  // The height of lookAt above the eye (side.y is 0 while up is vertical). Tested
  // before the rotation, so one frame may carry the view slightly past a limit.
  float d = vLook.y - vLookNorm.y;
  if (d > kHighestLook && pitch > 0.0f) pitch = 0.0f;
  if (d < kLowestLook && pitch < 0.0f) pitch = 0.0f;

  rotate_look_at(pitch, to_vec3(vLookNormUnit));
  rotate_look_at(-yaw, Vec3(0.0f, 1.0f, 0.0f));
}

void rotate_look_at(float angle_degrees, const Vec3& axis) {
  D3DXVECTOR4 q = quaternion_from_axis_angle(angle_degrees, axis);
  Vec3 dir = g_camera.lookAt - g_camera.eye;
  D3DXVECTOR4 v(dir.x, dir.y, dir.z, 0.0f);
  D3DXVECTOR4 conjugate(-q.x, -q.y, -q.z, q.w);
  D3DXVECTOR4 r = quaternion_product(quaternion_product(q, v), conjugate);
  g_camera.lookAt = g_camera.eye + Vec3(r.x, r.y, r.z);
}

D3DXVECTOR4 quaternion_from_axis_angle(float angle_degrees, const Vec3& axis) {
  float a = angle_degrees * kDegreesToRadians;
  float h = a / 2.0f;
  float s = std::sin(h);
  float c = std::cos(h);
  D3DXVECTOR4 raw(axis.x * s, axis.y * s, axis.z * s, c);
  D3DXVECTOR4 q;
  D3DXVec4Normalize(&q, &raw);
  return q;
}

void camera_keys() {
  if (g_key_w) move_camera(kWalkSpeed);
  if (g_key_s) move_camera(-kWalkSpeed);
  if (g_key_a) orbit_camera(-kTurnRate);
  if (g_key_d) orbit_camera(kTurnRate);
}

void move_camera(float speed) {
  // Level forward vector: walking speed must not depend on how high the ground is.
  D3DXVECTOR3 vCam(g_camera.lookAt.x - g_camera.eye.x, 0.0f, g_camera.lookAt.z - g_camera.eye.z);
  D3DXVECTOR3 v_unitCam;
  D3DXVec3Normalize(&v_unitCam, &vCam);
  v_unitCam *= speed * g_camera.timeStep;
  g_camera.eye.x += v_unitCam.x;
  g_camera.lookAt.x += v_unitCam.x;
  g_camera.eye.z += v_unitCam.z;
  g_camera.lookAt.z += v_unitCam.z;
}

void orbit_camera(float rate) {
  float a = rate * g_camera.timeStep;
  D3DXMATRIX mat_rotation;
  D3DXMatrixRotationY(&mat_rotation, a);
  // The eye's offset from lookAt as a row vector times the rotation; only x and z
  // change.
  Vec3 o = g_camera.eye - g_camera.lookAt;
  float ox = o.x * mat_rotation._11 + o.y * mat_rotation._21 + o.z * mat_rotation._31;
  float oz = o.x * mat_rotation._13 + o.y * mat_rotation._23 + o.z * mat_rotation._33;
  g_camera.eye.x = g_camera.lookAt.x + ox;
  g_camera.eye.z = g_camera.lookAt.z + oz;
}
