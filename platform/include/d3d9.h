// The subset of Direct3D 9 that VORNEX uses, for Linux, implemented in platform/d3d9.
// Anything not declared here is not implemented.
#ifndef VORNEX_PLATFORM_D3D9_H
#define VORNEX_PLATFORM_D3D9_H

#include <windows.h>

#include "d3d9types.h"

#endif  // VORNEX_PLATFORM_D3D9_H
