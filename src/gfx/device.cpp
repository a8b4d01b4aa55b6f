#include "gfx/device.h"

#include <cstdio>

IDirect3D9* g_pd3d = nullptr;
IDirect3DDevice9* g_pd3d_render = nullptr;
ID3DXMatrixStack* g_pmatrix_stack = nullptr;
IDirect3DTexture9* g_ptex_ground = nullptr;
const char* g_device_failed_file = nullptr;

namespace {

template <typename T>
void release(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace

bool init_device(HWND hwnd) {
  g_pd3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!g_pd3d) {
    MessageBoxA(nullptr, "Error, couldn't initialize DirectX!?!", "Error!", MB_OK);
    return false;
  }

  D3DDISPLAYMODE DisplayMode;
  if (FAILED(g_pd3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &DisplayMode))) {
    MessageBoxA(nullptr, "Error setting the display mode.", "Error!", MB_OK);
    return false;
  }

  D3DCAPS9 d3dcaps;
  if (FAILED(g_pd3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &d3dcaps))) return false;

  DWORD behaviour = d3dcaps.VertexProcessingCaps != 0 ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                       : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

  D3DPRESENT_PARAMETERS present_params;
  ZeroMemory(&present_params, sizeof(present_params));
  present_params.BackBufferWidth = 0;  // the window's client size
  present_params.BackBufferHeight = 0;
  present_params.BackBufferFormat = DisplayMode.Format;
  present_params.BackBufferCount = 1;
  present_params.MultiSampleType = D3DMULTISAMPLE_NONE;
  present_params.MultiSampleQuality = 0;
  present_params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  present_params.hDeviceWindow = nullptr;
  present_params.Windowed = TRUE;
  present_params.EnableAutoDepthStencil = TRUE;
  present_params.AutoDepthStencilFormat = D3DFMT_D16;
  present_params.Flags = 0;
  present_params.FullScreen_RefreshRateInHz = 0;
  present_params.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

  if (FAILED(g_pd3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, behaviour, &present_params,
                                  &g_pd3d_render))) {
    MessageBoxA(nullptr, "Device creation failed. Install DX9 and reference in VS .NET.", "Marrowvane", MB_OK);
    return false;
  }
  if (!g_pd3d_render) {
    MessageBoxA(nullptr, "D3D device, g_pd3d_render, is NULL.", "Marrowvane", MB_OK);
    return false;
  }

  set_up_drawing();

  if (D3DXCreateTextureFromFileA(g_pd3d_render, "ground.bmp", &g_ptex_ground) != D3D_OK) {
    g_device_failed_file = "ground.bmp";  // start-up names it
    return false;
  }
  return true;
}

void set_up_drawing() {
  g_pd3d_render->SetRenderState(D3DRS_LIGHTING, FALSE);
  g_pd3d_render->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  g_pd3d_render->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  g_pd3d_render->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  g_pd3d_render->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  set_projection();
  D3DXCreateMatrixStack(0, &g_pmatrix_stack);
}

void build_projection(D3DXMATRIX* matProj) {
  D3DXMatrixPerspectiveFovLH(matProj, 0.7853982f, 1.0f, 0.1f, 15.0f);
}

void set_projection() {
  D3DXMATRIX matProj;
  build_projection(&matProj);
  g_pd3d_render->SetTransform(D3DTS_PROJECTION, &matProj);
}

void release_device() {
  release(g_ptex_ground);
  release(g_pd3d_render);
  release(g_pd3d);
  release(g_pmatrix_stack);
}
