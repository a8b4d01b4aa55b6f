#pragma once

#include "math/scalar.h"

// A rotation as yaw (about the vertical axis), pitch and roll, in radians.
// Components are never wrapped or clamped.
struct Angle3 {
  Scalar yaw;
  Scalar pitch;
  Scalar roll;

  Angle3() = default;
  Angle3(float yaw_, float pitch_, float roll_) : yaw(yaw_), pitch(pitch_), roll(roll_) {}

  void set(float yaw_, float pitch_, float roll_) {
    yaw = yaw_;
    pitch = pitch_;
    roll = roll_;
  }

  Angle3 operator+(const Angle3& a) const { return Angle3(yaw + a.yaw, pitch + a.pitch, roll + a.roll); }

  Angle3 operator*(float s) const { return Angle3(yaw * s, pitch * s, roll * s); }

  Angle3& operator+=(const Angle3& a) {
    yaw += a.yaw;
    pitch += a.pitch;
    roll += a.roll;
    return *this;
  }
};
