#include "gfx/shader_effect.h"

#include <cstdio>
#include <string>

#include "gfx/device.h"
#include "math/camera.h"

namespace {

// The compiler's text when it gave one, else a line naming the file: D3DX gives no
// text for a file it cannot open.
std::string error_text(ID3DXBuffer* pBufferErrors, const char* file, HRESULT hr) {
  if (pBufferErrors && pBufferErrors->GetBufferPointer() && pBufferErrors->GetBufferSize() > 0) {
    const char* text = static_cast<const char*>(pBufferErrors->GetBufferPointer());
    std::string message(text, pBufferErrors->GetBufferSize());
    message.resize(message.find('\0') == std::string::npos ? message.size() : message.find('\0'));
    if (!message.empty()) return message;
  }
  char line[64];
  std::snprintf(line, sizeof line, " (error 0x%08lX)", static_cast<unsigned long>(hr));
  return std::string("Cannot load the effect file \"") + file + "\"" + line;
}

}  // namespace

ShaderEffect::~ShaderEffect() {
  if (effect) effect->Release();
}

ShaderEffect* load_effect(const char* file, const char* technique) {
  ShaderEffect* fx = new ShaderEffect;
  ID3DXBuffer* pBufferErrors = nullptr;
  HRESULT hr = D3DXCreateEffectFromFileA(g_pd3d_render, file, nullptr, nullptr, 0, nullptr, &fx->effect,
                                         &pBufferErrors);
  if (FAILED(hr)) {
    MessageBoxA(nullptr, error_text(pBufferErrors, file, hr).c_str(), "Fx Compile Error", MB_ICONWARNING);
    if (fx->effect) fx->effect->Release();
    fx->effect = nullptr;
  }
  if (pBufferErrors) pBufferErrors->Release();
  if (fx->effect) fx->effect->SetTechnique(technique);  // result not examined
  return fx;
}

HRESULT ShaderEffect::begin_effect(D3DXMATRIX world) {
  D3DXMATRIX matProj;
  build_projection(&matProj);
  if (!effect) {
    g_pd3d_render->SetTransform(D3DTS_WORLD, &world);
    g_pd3d_render->SetTransform(D3DTS_VIEW, &g_view);
    g_pd3d_render->SetTransform(D3DTS_PROJECTION, &matProj);
    return E_FAIL;
  }
  effect->SetMatrix("World", &world);
  effect->SetMatrix("View", &g_view);
  effect->SetMatrix("Projection", &matProj);
  UINT uPasses = 0;
  effect->Begin(&uPasses, 0);
  return effect->BeginPass(0);
}

HRESULT ShaderEffect::next_world(D3DXMATRIX world) {
  end_effect();
  return begin_effect(world);
}

void ShaderEffect::end_effect() {
  if (!effect) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    g_pd3d_render->SetTransform(D3DTS_VIEW, &identity);
    return;
  }
  effect->EndPass();
  effect->End();
}
