#pragma once

// One single-precision float (an angle in radians for its users) with plain
// float arithmetic. Reading a Scalar converts it to float, so a + b, a - b,
// a * b and a / b of two Scalars are ordinary float operations giving a float.
// Nothing is checked or wrapped: division by zero gives IEEE inf or NaN, and
// angles grow without bound.
class Scalar {
 public:
  Scalar() = default;
  Scalar(float v) : value_(v) {}

  operator float() const { return value_; }
  float value() const { return value_; }

  // Compound assignments give back the new value.
  float operator+=(float v) {
    value_ += v;
    return value_;
  }
  float operator-=(float v) {
    value_ -= v;
    return value_;
  }
  float operator*=(float v) {
    value_ *= v;
    return value_;
  }
  float operator/=(float v) {
    value_ /= v;
    return value_;
  }

 private:
  float value_ = 0.0f;
};

static_assert(sizeof(Scalar) == sizeof(float), "Scalar holds exactly one float");
