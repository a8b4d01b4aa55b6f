// Moving values between the game's Vec3 and D3DX's vector, which share a layout, by
// value, so neither type has to be reinterpreted as the other.
#ifndef VORNEX_MATH_D3DX_CONVERT_H
#define VORNEX_MATH_D3DX_CONVERT_H

#include <d3dx9.h>

#include "math/vec3.h"

inline D3DXVECTOR3 to_d3dx(const Vec3& v) { return D3DXVECTOR3(v.x, v.y, v.z); }

inline Vec3 to_vec3(const D3DXVECTOR3& v) { return Vec3(v.x, v.y, v.z); }

#endif  // VORNEX_MATH_D3DX_CONVERT_H
