// The subset of D3DX 9's math that VORNEX uses, for Linux, implemented in platform/d3dx9.
// Conventions are D3DX's: row vectors multiplied on the left of a matrix (translation in the
// fourth row), left-handed coordinates, projection depth 0..1.
// Anything not declared here is not implemented.
#ifndef VORNEX_PLATFORM_D3DX9MATH_H
#define VORNEX_PLATFORM_D3DX9MATH_H

#include <cmath>
#include <vector>

#include "d3d9.h"

// ---- constants ----
#define D3DX_PI ((FLOAT)3.141592654)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))

// ---- D3DXVECTOR3: a D3DVECTOR with arithmetic ----
typedef struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;  // contents unset, as D3DX leaves them
  D3DXVECTOR3(const FLOAT* pf) {
    x = pf[0];
    y = pf[1];
    z = pf[2];
  }
  D3DXVECTOR3(const D3DVECTOR& v) {
    x = v.x;
    y = v.y;
    z = v.z;
  }
  D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) {
    x = fx;
    y = fy;
    z = fz;
  }

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  D3DXVECTOR3& operator*=(FLOAT f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
  }
  D3DXVECTOR3& operator/=(FLOAT f) {
    x /= f;
    y /= f;
    z /= f;
    return *this;
  }

  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }

  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
  D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
  D3DXVECTOR3 operator/(FLOAT f) const { return D3DXVECTOR3(x / f, y / f, z / f); }

  friend D3DXVECTOR3 operator*(FLOAT, const D3DXVECTOR3&);

  BOOL operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  BOOL operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
} D3DXVECTOR3, *LPD3DXVECTOR3;

inline D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return v * f; }

// ---- D3DXVECTOR4 ----
typedef struct D3DXVECTOR4 {
  D3DXVECTOR4() = default;  // contents unset, as D3DX leaves them
  D3DXVECTOR4(const FLOAT* pf) {
    x = pf[0];
    y = pf[1];
    z = pf[2];
    w = pf[3];
  }
  D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) {
    x = fx;
    y = fy;
    z = fz;
    w = fw;
  }

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    w += v.w;
    return *this;
  }
  D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    w -= v.w;
    return *this;
  }
  D3DXVECTOR4& operator*=(FLOAT f) {
    x *= f;
    y *= f;
    z *= f;
    w *= f;
    return *this;
  }
  D3DXVECTOR4& operator/=(FLOAT f) {
    x /= f;
    y /= f;
    z /= f;
    w /= f;
    return *this;
  }

  D3DXVECTOR4 operator+() const { return *this; }
  D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }

  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const {
    return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
  }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const {
    return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
  }
  D3DXVECTOR4 operator*(FLOAT f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
  D3DXVECTOR4 operator/(FLOAT f) const { return D3DXVECTOR4(x / f, y / f, z / f, w / f); }

  friend D3DXVECTOR4 operator*(FLOAT, const D3DXVECTOR4&);

  BOOL operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
  BOOL operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }

  FLOAT x, y, z, w;
} D3DXVECTOR4, *LPD3DXVECTOR4;

inline D3DXVECTOR4 operator*(FLOAT f, const D3DXVECTOR4& v) { return v * f; }

// ---- D3DXMATRIX: a D3DMATRIX with arithmetic (members defined in platform/d3dx9/math.cpp) ----
typedef struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;  // contents unset, as D3DX leaves them
  D3DXMATRIX(const FLOAT* pf);
  D3DXMATRIX(const D3DMATRIX& mat);
  D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
             FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44);

  FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
  FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }

  operator FLOAT*() { return &_11; }
  operator const FLOAT*() const { return &_11; }

  D3DXMATRIX& operator*=(const D3DXMATRIX& mat);  // *this = *this * mat
  D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator*=(FLOAT f);
  D3DXMATRIX& operator/=(FLOAT f);

  D3DXMATRIX operator+() const;
  D3DXMATRIX operator-() const;

  D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator*(FLOAT f) const;
  D3DXMATRIX operator/(FLOAT f) const;

  friend D3DXMATRIX operator*(FLOAT, const D3DXMATRIX&);

  BOOL operator==(const D3DXMATRIX& mat) const;
  BOOL operator!=(const D3DXMATRIX& mat) const;
} D3DXMATRIX, *LPD3DXMATRIX;

D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat);

// ---- vector functions ----
// Every function returns its out pointer; out may be the same object as an input.
inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* pv1, const D3DXVECTOR3* pv2) {
  return pv1->x * pv2->x + pv1->y * pv2->y + pv1->z * pv2->z;
}

inline FLOAT D3DXVec3Length(const D3DXVECTOR3* pv) { return std::sqrt(D3DXVec3Dot(pv, pv)); }

inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pout, const D3DXVECTOR3* pv1, const D3DXVECTOR3* pv2) {
  // Computed whole before storing, so pout may alias pv1 or pv2.
  const D3DXVECTOR3 cross(pv1->y * pv2->z - pv1->z * pv2->y, pv1->z * pv2->x - pv1->x * pv2->z,
                          pv1->x * pv2->y - pv1->y * pv2->x);
  *pout = cross;
  return pout;
}

// A zero vector normalizes to zero.
D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pout, const D3DXVECTOR3* pv);
D3DXVECTOR4* WINAPI D3DXVec4Normalize(D3DXVECTOR4* pout, const D3DXVECTOR4* pv);
// (x, y, z, 1) * M, divided by the resulting w.
D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pout, const D3DXVECTOR3* pv, const D3DXMATRIX* pm);

// ---- matrix functions ----
inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pout) {
  *pout = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                     1.0f);
  return pout;
}

// pm1 * pm2: the transform pm1 applied first, then pm2.
D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pout, const D3DXMATRIX* pm1, const D3DXMATRIX* pm2);
D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pout, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pout, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pout, FLOAT angle);
// Roll about Z first, then pitch about X, then yaw about Y.
D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pout, FLOAT yaw, FLOAT pitch, FLOAT roll);
D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pout, const D3DXVECTOR3* peye, const D3DXVECTOR3* pat,
                                      const D3DXVECTOR3* pup);
// Maps view depth zn..zf to 0..1 after the divide by w (= view z).
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pout, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);

// ---- ID3DXMatrixStack ----
// On this platform interfaces are plain reference-counted classes without virtual functions.
// Made only by D3DXCreateMatrixStack and destroyed by the last Release.
struct ID3DXMatrixStack {
 public:
  ULONG AddRef();
  ULONG Release();  // deletes the stack when the count reaches zero; returns the new count

  HRESULT Pop();   // never removes the last entry
  HRESULT Push();  // duplicates the top; E_OUTOFMEMORY when it cannot grow
  HRESULT LoadIdentity();
  HRESULT LoadMatrix(const D3DXMATRIX* pM);

  // The plain operations apply M after the top (top = top * M); the Local ones apply it
  // before, in the top's own frame (top = M * top).
  HRESULT MultMatrix(const D3DXMATRIX* pM);
  HRESULT MultMatrixLocal(const D3DXMATRIX* pM);
  HRESULT RotateYawPitchRoll(FLOAT Yaw, FLOAT Pitch, FLOAT Roll);
  HRESULT RotateYawPitchRollLocal(FLOAT Yaw, FLOAT Pitch, FLOAT Roll);
  HRESULT Scale(FLOAT x, FLOAT y, FLOAT z);
  HRESULT ScaleLocal(FLOAT x, FLOAT y, FLOAT z);
  HRESULT Translate(FLOAT x, FLOAT y, FLOAT z);
  HRESULT TranslateLocal(FLOAT x, FLOAT y, FLOAT z);

  D3DXMATRIX* GetTop();  // valid until the next Push or Pop

  ID3DXMatrixStack(const ID3DXMatrixStack&) = delete;
  ID3DXMatrixStack& operator=(const ID3DXMatrixStack&) = delete;

 private:
  friend HRESULT WINAPI D3DXCreateMatrixStack(DWORD flags, ID3DXMatrixStack** stack);
  ID3DXMatrixStack();
  ~ID3DXMatrixStack() = default;

  ULONG refs_;
  std::vector<D3DXMATRIX> entries_;  // never empty; back() is the top
};
typedef ID3DXMatrixStack* LPD3DXMATRIXSTACK;

// A new stack holding one identity matrix, with a reference count of one. flags is unused.
HRESULT WINAPI D3DXCreateMatrixStack(DWORD flags, ID3DXMatrixStack** stack);

#endif  // VORNEX_PLATFORM_D3DX9MATH_H
