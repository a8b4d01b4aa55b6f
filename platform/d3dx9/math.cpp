// D3DX 9 math: matrix arithmetic and the vector and matrix helpers, in D3DX's conventions
// (row vectors on the left, translation in the fourth row, left-handed, depth 0..1).
#include <d3dx9math.h>

#include <cmath>
#include <cstring>

namespace {

D3DXMATRIX RotationX(FLOAT angle) {
  const FLOAT c = std::cos(angle), s = std::sin(angle);
  return D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, c, s, 0.0f, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

D3DXMATRIX RotationZ(FLOAT angle) {
  const FLOAT c = std::cos(angle), s = std::sin(angle);
  return D3DXMATRIX(c, s, 0.0f, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

// Applies op(a[i][j], b[i][j]) to all sixteen elements.
template <typename Op>
D3DXMATRIX ElementWise(const D3DXMATRIX& a, const D3DXMATRIX& b, Op op) {
  D3DXMATRIX result;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) result.m[row][col] = op(a.m[row][col], b.m[row][col]);
  return result;
}

D3DXMATRIX Scaled(const D3DXMATRIX& a, FLOAT f) {
  return ElementWise(a, a, [f](FLOAT x, FLOAT) { return x * f; });
}

}  // namespace

// ---- D3DXMATRIX members ----

D3DXMATRIX::D3DXMATRIX(const FLOAT* pf) { std::memcpy(m, pf, sizeof(m)); }

D3DXMATRIX::D3DXMATRIX(const D3DMATRIX& mat) { std::memcpy(m, mat.m, sizeof(m)); }

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                       FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43,
                       FLOAT f44) {
  _11 = f11;
  _12 = f12;
  _13 = f13;
  _14 = f14;
  _21 = f21;
  _22 = f22;
  _23 = f23;
  _24 = f24;
  _31 = f31;
  _32 = f32;
  _33 = f33;
  _34 = f34;
  _41 = f41;
  _42 = f42;
  _43 = f43;
  _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
  D3DXMatrixMultiply(this, this, &mat);
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) { return *this = *this + mat; }
D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) { return *this = *this - mat; }
D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f) { return *this = Scaled(*this, f); }
D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT f) { return *this = *this / f; }

D3DXMATRIX D3DXMATRIX::operator+() const { return *this; }
D3DXMATRIX D3DXMATRIX::operator-() const { return Scaled(*this, -1.0f); }

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
  D3DXMATRIX product;
  D3DXMatrixMultiply(&product, this, &mat);
  return product;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const {
  return ElementWise(*this, mat, [](FLOAT a, FLOAT b) { return a + b; });
}

D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const {
  return ElementWise(*this, mat, [](FLOAT a, FLOAT b) { return a - b; });
}

D3DXMATRIX D3DXMATRIX::operator*(FLOAT f) const { return Scaled(*this, f); }
D3DXMATRIX D3DXMATRIX::operator/(FLOAT f) const { return Scaled(*this, 1.0f / f); }

D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return Scaled(mat, f); }

BOOL D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col)
      if (m[row][col] != mat.m[row][col]) return FALSE;
  return TRUE;
}

BOOL D3DXMATRIX::operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }

// ---- vector functions ----

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pout, const D3DXVECTOR3* pv) {
  const FLOAT length = D3DXVec3Length(pv);
  if (length == 0.0f) {
    *pout = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  } else {
    *pout = *pv / length;
  }
  return pout;
}

D3DXVECTOR4* WINAPI D3DXVec4Normalize(D3DXVECTOR4* pout, const D3DXVECTOR4* pv) {
  const FLOAT length = std::sqrt(pv->x * pv->x + pv->y * pv->y + pv->z * pv->z + pv->w * pv->w);
  if (length == 0.0f) {
    *pout = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
  } else {
    *pout = *pv / length;
  }
  return pout;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pout, const D3DXVECTOR3* pv, const D3DXMATRIX* pm) {
  const D3DXVECTOR3 v = *pv;  // pout may alias pv
  const D3DXMATRIX& a = *pm;
  const FLOAT w = v.x * a._14 + v.y * a._24 + v.z * a._34 + a._44;
  pout->x = (v.x * a._11 + v.y * a._21 + v.z * a._31 + a._41) / w;
  pout->y = (v.x * a._12 + v.y * a._22 + v.z * a._32 + a._42) / w;
  pout->z = (v.x * a._13 + v.y * a._23 + v.z * a._33 + a._43) / w;
  return pout;
}

// ---- matrix functions ----

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pout, const D3DXMATRIX* pm1, const D3DXMATRIX* pm2) {
  D3DXMATRIX product;  // built apart, so pout may alias either input
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      product.m[row][col] = pm1->m[row][0] * pm2->m[0][col] + pm1->m[row][1] * pm2->m[1][col] +
                            pm1->m[row][2] * pm2->m[2][col] + pm1->m[row][3] * pm2->m[3][col];
    }
  }
  *pout = product;
  return pout;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pout, FLOAT x, FLOAT y, FLOAT z) {
  D3DXMatrixIdentity(pout);
  pout->_41 = x;
  pout->_42 = y;
  pout->_43 = z;
  return pout;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pout, FLOAT sx, FLOAT sy, FLOAT sz) {
  D3DXMatrixIdentity(pout);
  pout->_11 = sx;
  pout->_22 = sy;
  pout->_33 = sz;
  return pout;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pout, FLOAT angle) {
  const FLOAT c = std::cos(angle), s = std::sin(angle);
  *pout = D3DXMATRIX(c, 0.0f, -s, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, s, 0.0f, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  return pout;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pout, FLOAT yaw, FLOAT pitch, FLOAT roll) {
  D3DXMATRIX rotation_y;
  D3DXMatrixRotationY(&rotation_y, yaw);
  *pout = RotationZ(roll) * RotationX(pitch) * rotation_y;
  return pout;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pout, const D3DXVECTOR3* peye, const D3DXVECTOR3* pat,
                                      const D3DXVECTOR3* pup) {
  // The view's axes in world space: z looks from eye to at, x is right, y is up.
  D3DXVECTOR3 zaxis = *pat - *peye;
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVECTOR3 xaxis;
  D3DXVec3Cross(&xaxis, pup, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVECTOR3 yaxis;
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);

  *pout = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f, xaxis.y, yaxis.y, zaxis.y, 0.0f, xaxis.z, yaxis.z,
                     zaxis.z, 0.0f, -D3DXVec3Dot(&xaxis, peye), -D3DXVec3Dot(&yaxis, peye),
                     -D3DXVec3Dot(&zaxis, peye), 1.0f);
  return pout;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pout, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                              FLOAT zf) {
  const FLOAT y_scale = 1.0f / std::tan(fovy / 2.0f);
  const FLOAT x_scale = y_scale / aspect;
  const FLOAT depth_scale = zf / (zf - zn);
  *pout = D3DXMATRIX(x_scale, 0.0f, 0.0f, 0.0f, 0.0f, y_scale, 0.0f, 0.0f, 0.0f, 0.0f, depth_scale, 1.0f,
                     0.0f, 0.0f, -zn * depth_scale, 0.0f);
  return pout;
}
