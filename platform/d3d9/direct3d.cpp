// The Direct3D object: the display mode, the capabilities, and device creation, which
// opens an OpenGL 3.3 core context on the window and an off-screen back buffer of the
// window's client size with a 16-bit depth buffer.
#include <cstdio>

#include "../win32/win32_internal.h"
#include "d3d9_internal.h"

IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion) {
  if (SDKVersion != D3D_SDK_VERSION) return nullptr;
  if (!win32::ensure_video()) return nullptr;
  return new IDirect3D9;
}

ULONG IDirect3D9::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter != D3DADAPTER_DEFAULT || !pMode) return D3DERR_INVALIDCALL;
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
    std::fprintf(stderr, "VORNEX: cannot read the display mode: %s\n", SDL_GetError());
    return D3DERR_NOTAVAILABLE;
  }
  pMode->Width = static_cast<UINT>(mode.w);
  pMode->Height = static_cast<UINT>(mode.h);
  pMode->RefreshRate = static_cast<UINT>(mode.refresh_rate);
  pMode->Format = D3DFMT_X8R8G8B8;
  return D3D_OK;
}

// The device draws through shaders, so vertices are always processed "in hardware".
HRESULT IDirect3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  if (Adapter != D3DADAPTER_DEFAULT || !pCaps) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  *pCaps = D3DCAPS9{};
  pCaps->DeviceType = DeviceType;
  pCaps->AdapterOrdinal = Adapter;
  pCaps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE_CAP;
  pCaps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  pCaps->MaxTextureWidth = 8192;
  pCaps->MaxTextureHeight = 8192;
  pCaps->MaxPrimitiveCount = 0xFFFFFF;
  pCaps->MaxVertexIndex = 0xFFFFFF;
  pCaps->MaxStreams = 1;
  pCaps->MaxStreamStride = 255;
  pCaps->VertexShaderVersion = 0xFFFE0300;
  pCaps->PixelShaderVersion = 0xFFFF0300;
  pCaps->VertexProcessingCaps = D3DVTXPCAPS_TEXGEN;
  return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) {
  if (!ppReturnedDeviceInterface) return D3DERR_INVALIDCALL;
  *ppReturnedDeviceInterface = nullptr;
  if (Adapter != D3DADAPTER_DEFAULT || !pPresentationParameters) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  const DWORD processing = BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                            D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
  if (processing == 0 || (processing & (processing - 1)) != 0) return D3DERR_INVALIDCALL;
  const D3DPRESENT_PARAMETERS& params = *pPresentationParameters;
  HWND window = params.hDeviceWindow ? params.hDeviceWindow : hFocusWindow;
  // Only windowed devices exist here, and only the depth format the game asks for.
  if (!win32::is_window(window) || !params.Windowed) return D3DERR_INVALIDCALL;
  if (params.EnableAutoDepthStencil && params.AutoDepthStencilFormat != D3DFMT_D16) return D3DERR_NOTAVAILABLE;

  IDirect3DDevice9* device = nullptr;
  HRESULT hr = D3d9DeviceState::create(window, params, &device);
  if (FAILED(hr)) return hr;
  *ppReturnedDeviceInterface = device;
  return D3D_OK;
}
