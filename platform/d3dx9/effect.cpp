// ID3DXEffect: parameter values are kept by the effect and sent to a pass's program
// when the pass begins (or at CommitChanges); textures go to the device's stages
// through its own SetTexture, so a later device SetTexture wins for the draws after.
#include <cmath>
#include <cstring>

#include "effect_internal.h"

namespace {

using d3dx9::ParameterType;

// 2D textures are the only kind the device makes; the base class has no Release.
void release_texture(IDirect3DBaseTexture9* texture) {
  if (texture) static_cast<IDirect3DTexture9*>(texture)->Release();
}

int truncate_to_int(float f) {
  if (std::isnan(f)) return 0;
  if (f >= 2147483647.0f) return 2147483647;
  if (f <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(f);
}

}  // namespace

// ---- the state ----

void D3dxParameterValue::set_color(DWORD argb) {
  floats[0] = ((argb >> 16) & 0xFF) / 255.0f;
  floats[1] = ((argb >> 8) & 0xFF) / 255.0f;
  floats[2] = (argb & 0xFF) / 255.0f;
  floats[3] = ((argb >> 24) & 0xFF) / 255.0f;
}

int D3dxEffectState::find_parameter(D3DXHANDLE name) const {
  if (!name) return -1;
  for (size_t i = 0; i < parameters.size(); ++i)
    if (parameters[i].name == name) return static_cast<int>(i);
  return -1;
}

// Matrices go up as stored, untransposed: GLSL's `M * v` then computes Direct3D's
// row-vector `v * M`.
void D3dxEffectState::upload_values(const D3dxEffectPass& pass) const {
  device->state->make_current();
  glUseProgram(pass.program.name);
  for (size_t i = 0; i < parameters.size(); ++i) {
    GLint location = pass.locations[i];
    if (location < 0) continue;
    const D3dxParameterValue& v = values[i];
    switch (parameters[i].type) {
      case ParameterType::kMatrix:
        glUniformMatrix4fv(location, 1, GL_FALSE, v.floats);
        break;
      case ParameterType::kFloat:
        glUniform1f(location, v.floats[0]);
        break;
      case ParameterType::kInt:
        glUniform1i(location, v.integer);
        break;
      case ParameterType::kColor:
        glUniform4fv(location, 1, v.floats);
        break;
      case ParameterType::kTexture:
        break;  // the sampler's unit is fixed at link time
    }
  }
}

void D3dxEffectState::apply_texture(size_t i) {
  const d3dx9::EffectParameter& p = parameters[i];
  D3dxParameterValue& v = values[i];
  const DWORD stage = static_cast<DWORD>(p.stage);
  if (v.textureSet) device->SetTexture(stage, v.texture);
  v.textureDirty = false;
  if (p.filter) {
    device->SetSamplerState(stage, D3DSAMP_MINFILTER, p.filter);
    device->SetSamplerState(stage, D3DSAMP_MAGFILTER, p.filter);
  }
  if (p.address) {
    device->SetSamplerState(stage, D3DSAMP_ADDRESSU, p.address);
    device->SetSamplerState(stage, D3DSAMP_ADDRESSV, p.address);
  }
}

void D3dxEffectState::save_device_state() {
  const D3d9DeviceState* d = device->state;
  savedStates.clear();
  for (const D3dxEffectPass& pass : techniques[activeTechnique].passes)
    for (const d3dx9::EffectRenderState& s : pass.states) {
      bool known = false;
      for (const d3dx9::EffectRenderState& earlier : savedStates) known = known || earlier.state == s.state;
      if (!known) savedStates.push_back({s.state, d->renderStates[s.state]});
    }
  savedTextures.assign(parameters.size(), nullptr);
  savedSamplers.assign(parameters.size() * 4, 0);
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].type != ParameterType::kTexture) continue;
    const int stage = parameters[i].stage;
    savedTextures[i] = d->textures[stage];
    if (savedTextures[i]) savedTextures[i]->AddRef();  // kept alive until End puts it back
    savedSamplers[i * 4 + 0] = d->samplerStates[stage][D3DSAMP_MINFILTER];
    savedSamplers[i * 4 + 1] = d->samplerStates[stage][D3DSAMP_MAGFILTER];
    savedSamplers[i * 4 + 2] = d->samplerStates[stage][D3DSAMP_ADDRESSU];
    savedSamplers[i * 4 + 3] = d->samplerStates[stage][D3DSAMP_ADDRESSV];
  }
  saved = true;
}

void D3dxEffectState::restore_device_state() {
  if (!saved) return;
  for (const d3dx9::EffectRenderState& s : savedStates) device->SetRenderState(s.state, s.value);
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].type != ParameterType::kTexture) continue;
    const DWORD stage = static_cast<DWORD>(parameters[i].stage);
    device->SetTexture(stage, savedTextures[i]);
    device->SetSamplerState(stage, D3DSAMP_MINFILTER, savedSamplers[i * 4 + 0]);
    device->SetSamplerState(stage, D3DSAMP_MAGFILTER, savedSamplers[i * 4 + 1]);
    device->SetSamplerState(stage, D3DSAMP_ADDRESSU, savedSamplers[i * 4 + 2]);
    device->SetSamplerState(stage, D3DSAMP_ADDRESSV, savedSamplers[i * 4 + 3]);
  }
  for (IDirect3DBaseTexture9* texture : savedTextures) release_texture(texture);
  savedTextures.clear();
  saved = false;
}

void D3dxEffectState::take_program_off_device() {
  if (!device || !device->state) return;
  for (const D3dxEffectTechnique& technique : techniques)
    for (const D3dxEffectPass& pass : technique.passes)
      if (device->state->override.program == &pass.program) device->state->override.program = nullptr;
}

// An effect released between Begin and End leaves the device as it is, as D3DX does,
// apart from its programs, which go with it.
void D3dxEffectState::destroy() {
  take_program_off_device();
  for (IDirect3DBaseTexture9* texture : savedTextures) release_texture(texture);
  savedTextures.clear();
  for (D3dxParameterValue& v : values) {
    release_texture(v.texture);
    v.texture = nullptr;
  }
  if (device && device->state) device->state->make_current();
  for (D3dxEffectTechnique& technique : techniques)
    for (D3dxEffectPass& pass : technique.passes) d3d9::destroy_program(&pass.program);
  techniques.clear();
  if (device) device->Release();
  device = nullptr;
}

// ---- the interface ----

ID3DXEffect::~ID3DXEffect() {
  state->destroy();
  delete state;
}

ULONG ID3DXEffect::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}

HRESULT ID3DXEffect::SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) {
  int i = state->find_parameter(hParameter);
  if (i < 0 || !pMatrix || state->parameters[i].type != ParameterType::kMatrix) return D3DERR_INVALIDCALL;
  std::memcpy(state->values[i].floats, &pMatrix->_11, sizeof(state->values[i].floats));
  return D3D_OK;
}

HRESULT ID3DXEffect::SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) {
  int i = state->find_parameter(hParameter);
  if (i < 0 || state->parameters[i].type != ParameterType::kTexture) return D3DERR_INVALIDCALL;
  D3dxParameterValue& v = state->values[i];
  if (pTexture) pTexture->AddRef();
  release_texture(v.texture);
  v.texture = pTexture;
  v.textureSet = true;
  v.textureDirty = true;
  return D3D_OK;
}

HRESULT ID3DXEffect::SetFloat(D3DXHANDLE hParameter, FLOAT f) {
  int i = state->find_parameter(hParameter);
  if (i < 0) return D3DERR_INVALIDCALL;
  switch (state->parameters[i].type) {
    case ParameterType::kFloat:
      state->values[i].floats[0] = f;
      return D3D_OK;
    case ParameterType::kInt:
      state->values[i].integer = truncate_to_int(f);
      return D3D_OK;
    default:
      return D3DERR_INVALIDCALL;
  }
}

HRESULT ID3DXEffect::SetInt(D3DXHANDLE hParameter, INT n) {
  int i = state->find_parameter(hParameter);
  if (i < 0) return D3DERR_INVALIDCALL;
  switch (state->parameters[i].type) {
    case ParameterType::kInt:
      state->values[i].integer = n;
      return D3D_OK;
    case ParameterType::kFloat:
      state->values[i].floats[0] = static_cast<float>(n);
      return D3D_OK;
    case ParameterType::kColor:
      state->values[i].set_color(static_cast<DWORD>(n));
      return D3D_OK;
    default:
      return D3DERR_INVALIDCALL;
  }
}

HRESULT ID3DXEffect::SetTechnique(D3DXHANDLE hTechnique) {
  if (!hTechnique) return D3DERR_INVALIDCALL;
  for (size_t i = 0; i < state->techniques.size(); ++i)
    if (state->techniques[i].name == hTechnique) {
      state->technique = i;
      return D3D_OK;
    }
  return D3DERR_INVALIDCALL;
}

// Lets the device's draw recorder see the world matrix the pass draws with.
void D3dxEffectState::publish_world() {
  D3d9ProgramOverride& override = device->state->override;
  int world = find_parameter("World");
  override.hasWorld = world >= 0 && parameters[static_cast<size_t>(world)].type == ParameterType::kMatrix;
  if (override.hasWorld) std::memcpy(&override.world, values[static_cast<size_t>(world)].floats, sizeof(D3DMATRIX));
}

HRESULT ID3DXEffect::Begin(UINT* pPasses, DWORD Flags) {
  if (state->begun || (Flags & ~static_cast<DWORD>(D3DXFX_DONOTSAVESTATE)) != 0) return D3DERR_INVALIDCALL;
  state->activeTechnique = state->technique;
  state->activePass = -1;
  if (!(Flags & D3DXFX_DONOTSAVESTATE)) state->save_device_state();
  state->begun = true;
  if (pPasses) *pPasses = static_cast<UINT>(state->techniques[state->activeTechnique].passes.size());
  return D3D_OK;
}

HRESULT ID3DXEffect::BeginPass(UINT Pass) {
  if (!state->begun || state->activePass >= 0) return D3DERR_INVALIDCALL;
  const D3dxEffectTechnique& technique = state->techniques[state->activeTechnique];
  if (Pass >= technique.passes.size()) return D3DERR_INVALIDCALL;
  const D3dxEffectPass& pass = technique.passes[Pass];
  state->activePass = static_cast<int>(Pass);
  state->device->state->override.program = &pass.program;
  state->upload_values(pass);
  state->publish_world();
  for (const d3dx9::EffectRenderState& s : pass.states) state->device->SetRenderState(s.state, s.value);
  for (size_t i = 0; i < state->parameters.size(); ++i)
    if (state->parameters[i].type == ParameterType::kTexture) state->apply_texture(i);
  return D3D_OK;
}

HRESULT ID3DXEffect::CommitChanges() {
  if (!state->begun || state->activePass < 0) return D3DERR_INVALIDCALL;
  const D3dxEffectTechnique& technique = state->techniques[state->activeTechnique];
  state->upload_values(technique.passes[static_cast<size_t>(state->activePass)]);
  state->publish_world();
  for (size_t i = 0; i < state->parameters.size(); ++i)
    if (state->values[i].textureDirty && state->parameters[i].type == ParameterType::kTexture) {
      state->device->SetTexture(static_cast<DWORD>(state->parameters[i].stage), state->values[i].texture);
      state->values[i].textureDirty = false;
    }
  return D3D_OK;
}

HRESULT ID3DXEffect::EndPass() {
  if (!state->begun || state->activePass < 0) return D3DERR_INVALIDCALL;
  state->activePass = -1;
  return D3D_OK;
}

HRESULT ID3DXEffect::End() {
  if (!state->begun) return D3DERR_INVALIDCALL;
  state->restore_device_state();
  state->take_program_off_device();
  state->begun = false;
  state->activePass = -1;
  return D3D_OK;
}
