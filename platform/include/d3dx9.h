// The subset of the D3DX 9 utility library that VORNEX uses, for Linux, implemented in
// platform/d3dx9. Anything not declared by the headers included here is not implemented.
#ifndef VORNEX_PLATFORM_D3DX9_H
#define VORNEX_PLATFORM_D3DX9_H

#include "d3d9.h"
#include "d3dx9math.h"
#include "d3dx9core.h"
#include "d3dx9buffer.h"
#include "d3dx9tex.h"
#include "d3dx9mesh.h"
#include "d3dx9effect.h"

#endif  // VORNEX_PLATFORM_D3DX9_H
