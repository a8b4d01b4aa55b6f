// The subset of Direct3D 9's types that VORNEX uses, for Linux. Names and layouts are
// Direct3D's own, so the game compiles unchanged against either header set.
// Anything not declared here is not implemented.
#ifndef VORNEX_PLATFORM_D3D9TYPES_H
#define VORNEX_PLATFORM_D3D9TYPES_H

#include <windows.h>

// ---- colours ----
// 0xAARRGGBB; in memory (little-endian) the bytes are B, G, R, A.
typedef DWORD D3DCOLOR;

// ---- vectors and matrices ----
typedef struct _D3DVECTOR {
  float x;
  float y;
  float z;
} D3DVECTOR;

// Row-major: m[row][col] is _(row+1)(col+1). Points are row vectors multiplied on the left,
// so the translation sits in the fourth row (_41, _42, _43).
typedef struct _D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
} D3DMATRIX;

#endif  // VORNEX_PLATFORM_D3D9TYPES_H
