// The graphics device: brought up once at start-up with the render states that hold
// for the whole run, the one projection, the shared matrix stack and the ground texture.
#ifndef VORNEX_GFX_DEVICE_H
#define VORNEX_GFX_DEVICE_H

#include <windows.h>

#include <d3d9.h>
#include <d3dx9.h>

extern IDirect3D9* g_pd3d;
extern IDirect3DDevice9* g_pd3d_render;
// Every world matrix of the game is built on this stack.
extern ID3DXMatrixStack* g_pmatrix_stack;
// Loaded from "ground.bmp" and held until shutdown; nothing draws it.
extern IDirect3DTexture9* g_ptex_ground;

// The data file init_device could not load ("ground.bmp"), or null.
extern const char* g_device_failed_file;

// True when the device and everything above were created. On failure whatever was
// already made stays for release_device.
bool init_device(HWND hwnd);

// The part of init_device after the device exists: the render and sampler states that
// hold for the whole run, the projection and the matrix stack.
void set_up_drawing();

// The projection of the whole game: 45 degrees vertically, aspect 1 whatever the
// window's shape, near 0.1, far 15 (the visibility limit of the world).
void set_projection();
void build_projection(D3DXMATRIX* matProj);

// Releases the ground texture, the device, the Direct3D object and the matrix stack,
// in that order, each only if present, and clears their pointers.
void release_device();

#endif  // VORNEX_GFX_DEVICE_H
