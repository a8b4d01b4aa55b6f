// The subset of Direct3D 9 that VORNEX uses, for Linux, implemented in platform/d3d9 on
// OpenGL 3.3 core. The interfaces are plain classes with Direct3D's method names and
// signatures (not COM vtables); their objects are made only by the creating calls and
// freed by Release. Anything not declared here is not implemented.
#ifndef VORNEX_PLATFORM_D3D9_H
#define VORNEX_PLATFORM_D3D9_H

#include <windows.h>

#include "d3d9caps.h"
#include "d3d9types.h"

#define D3D_SDK_VERSION 32

struct IDirect3DDevice9;
struct D3d9DeviceState;   // the device's OpenGL side (platform/d3d9)
struct D3d9TextureState;  // a texture's OpenGL side
struct D3d9BufferState;   // a vertex buffer's OpenGL side

// Reference counting shared by every object: Release frees the object at zero.
struct D3d9RefCounted {
  ULONG AddRef() { return ++refCount; }

 protected:
  ULONG refCount = 1;
};

struct IDirect3DBaseTexture9 : D3d9RefCounted {
  D3d9TextureState* state;  // owned by the object

 protected:
  IDirect3DBaseTexture9() : state(nullptr) {}
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
  ULONG Release();

 private:
  friend struct D3d9TextureState;
  IDirect3DTexture9() = default;
  ~IDirect3DTexture9();
};
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;

struct IDirect3DVertexBuffer9 : D3d9RefCounted {
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags);
  HRESULT Unlock();
  ULONG Release();

  D3d9BufferState* state;  // owned by the object

 private:
  friend struct D3d9BufferState;
  IDirect3DVertexBuffer9() : state(nullptr) {}
  ~IDirect3DVertexBuffer9();
};
typedef IDirect3DVertexBuffer9* LPDIRECT3DVERTEXBUFFER9;

struct IDirect3DDevice9 : D3d9RefCounted {
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value);
  HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix);
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture);
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                          UINT Stride);
  HRESULT SetFVF(DWORD FVF);
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount);
  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil);
  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion);
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle);
  ULONG Release();

  D3d9DeviceState* state;  // owned by the object

 private:
  friend struct D3d9DeviceState;
  IDirect3DDevice9() : state(nullptr) {}
  ~IDirect3DDevice9();
};
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;

struct IDirect3D9 : D3d9RefCounted {
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode);
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps);
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface);
  ULONG Release();

 private:
  friend IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion);
  IDirect3D9() = default;
};
typedef IDirect3D9* LPDIRECT3D9;

IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion);

#endif  // VORNEX_PLATFORM_D3D9_H
