#pragma once

#include <cmath>

// A point or direction in world units, y vertical. The layout (three floats
// x, y, z and nothing else) matches D3DXVECTOR3, so a Vec3 can stand in for
// one wherever the D3DX functions take vectors. All arithmetic is single
// precision.
struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  Vec3() = default;
  Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  void set(float x_, float y_, float z_) {
    x = x_;
    y = y_;
    z = z_;
  }

  Vec3 operator+(const Vec3& v) const { return Vec3(x + v.x, y + v.y, z + v.z); }
  Vec3 operator-(const Vec3& v) const { return Vec3(x - v.x, y - v.y, z - v.z); }
  Vec3 operator*(float s) const { return Vec3(s * x, s * y, s * z); }
  Vec3 operator/(float s) const { return Vec3(x / s, y / s, z / s); }

  Vec3& operator+=(const Vec3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }

  Vec3& operator/=(float s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
  }

  float length() const { return std::sqrt(x * x + y * y + z * z); }

  // Scales to unit length. A zero vector has no direction and is left as
  // it is rather than turned into NaNs.
  Vec3& normalize() {
    float len = length();
    if (len != 0.0f) {
      *this /= len;
    }
    return *this;
  }
};

static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must keep the D3DXVECTOR3 layout");
