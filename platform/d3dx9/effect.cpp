// ID3DXEffect: parameter values are kept by the effect and sent to a pass's program
// when the pass begins (or at CommitChanges); textures go to the device's stages
// through its own SetTexture, so a later device SetTexture wins for the draws after.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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

// The sampler states an effect may set, saved at Begin and put back at End.
static const D3DSAMPLERSTATETYPE kSavedSamplerStateTypes[] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                                       D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};
static const size_t kSavedSamplerStates = sizeof(kSavedSamplerStateTypes) / sizeof(kSavedSamplerStateTypes[0]);

// A parameter's values go up in the form the translated shader declares its uniform.
// Matrices go up as D3DX stores them, untransposed: the HLSL compiler makes each row of an
// HLSL matrix a column of the GLSL one, so the shader's `M * v` computes HLSL's mul(v, M)
// with D3DX's row-major matrix, as a column-major parameter does on Windows. An int or a
// bool goes up as the int, uint or bool the shader declares (the HLSL compiler makes a
// bool parameter a uint).
static void upload_value(const D3dxUniform& u, const d3dx9::EffectParameter& p, const D3dxParameterValue& v) {
  const d3dx9::UniformShape shape = d3dx9::uniform_shape(u.type);
  if (u.location < 0 || shape.components != p.components()) return;
  const GLsizei count = std::min<GLsizei>(u.size, p.elements > 0 ? p.elements : 1);
  const size_t n = static_cast<size_t>(count) * static_cast<size_t>(shape.components);
  if (shape.base == d3dx9::UniformBase::kFloat) {
    std::vector<float> f(n);
    for (size_t i = 0; i < n; ++i) f[i] = p.type == ParameterType::kFloat ? v.floats[i] : static_cast<float>(v.integers[i]);
    switch (u.type) {
      case GL_FLOAT: glUniform1fv(u.location, count, f.data()); break;
      case GL_FLOAT_VEC2: glUniform2fv(u.location, count, f.data()); break;
      case GL_FLOAT_VEC3: glUniform3fv(u.location, count, f.data()); break;
      case GL_FLOAT_VEC4: glUniform4fv(u.location, count, f.data()); break;
      case GL_FLOAT_MAT2: glUniformMatrix2fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT3: glUniformMatrix3fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT4: glUniformMatrix4fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT2x3: glUniformMatrix2x3fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT2x4: glUniformMatrix2x4fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT3x2: glUniformMatrix3x2fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT3x4: glUniformMatrix3x4fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT4x2: glUniformMatrix4x2fv(u.location, count, GL_FALSE, f.data()); break;
      case GL_FLOAT_MAT4x3: glUniformMatrix4x3fv(u.location, count, GL_FALSE, f.data()); break;
      default: break;
    }
    return;
  }
  std::vector<GLint> i(n);
  for (size_t k = 0; k < n; ++k) i[k] = p.type == ParameterType::kFloat ? truncate_to_int(v.floats[k]) : v.integers[k];
  if (shape.base == d3dx9::UniformBase::kUnsigned) {
    const std::vector<GLuint> u32(i.begin(), i.end());
    switch (shape.components) {
      case 1: glUniform1uiv(u.location, count, u32.data()); break;
      case 2: glUniform2uiv(u.location, count, u32.data()); break;
      case 3: glUniform3uiv(u.location, count, u32.data()); break;
      default: glUniform4uiv(u.location, count, u32.data()); break;
    }
    return;
  }
  switch (shape.components) {  // int and bool uniforms both take ints
    case 1: glUniform1iv(u.location, count, i.data()); break;
    case 2: glUniform2iv(u.location, count, i.data()); break;
    case 3: glUniform3iv(u.location, count, i.data()); break;
    default: glUniform4iv(u.location, count, i.data()); break;
  }
}

void D3dxEffectState::upload_values(const D3dxEffectPass& pass) const {
  device->state->make_current();
  glUseProgram(pass.program.name);
  for (size_t i = 0; i < parameters.size(); ++i) {
    upload_value(pass.vertexUniforms[i], parameters[i], values[i]);
    upload_value(pass.pixelUniforms[i], parameters[i], values[i]);
  }
}

void D3dxEffectState::apply_sampler(size_t i) {
  const d3dx9::EffectSampler& s = samplers[i];
  const DWORD stage = static_cast<DWORD>(s.stage);
  if (s.texture >= 0) {
    D3dxParameterValue& v = values[static_cast<size_t>(s.texture)];
    if (v.textureSet) device->SetTexture(stage, v.texture);
  }
  if (s.minFilter) device->SetSamplerState(stage, D3DSAMP_MINFILTER, s.minFilter);
  if (s.magFilter) device->SetSamplerState(stage, D3DSAMP_MAGFILTER, s.magFilter);
  if (s.setsMipFilter) device->SetSamplerState(stage, D3DSAMP_MIPFILTER, s.mipFilter);
  if (s.addressU) device->SetSamplerState(stage, D3DSAMP_ADDRESSU, s.addressU);
  if (s.addressV) device->SetSamplerState(stage, D3DSAMP_ADDRESSV, s.addressV);
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
  savedStages.clear();
  for (const d3dx9::EffectSampler& sampler : samplers) savedStages.push_back(static_cast<DWORD>(sampler.stage));
  for (const D3dxEffectPass& pass : techniques[activeTechnique].passes)
    for (const d3dx9::EffectStageState& s : pass.stageStates) savedStages.push_back(static_cast<DWORD>(s.stage));
  std::sort(savedStages.begin(), savedStages.end());
  savedStages.erase(std::unique(savedStages.begin(), savedStages.end()), savedStages.end());
  savedTextures.assign(savedStages.size(), nullptr);
  savedSamplers.assign(savedStages.size() * kSavedSamplerStates, 0);
  for (size_t i = 0; i < savedStages.size(); ++i) {
    const DWORD stage = savedStages[i];
    savedTextures[i] = d->textures[stage];
    if (savedTextures[i]) savedTextures[i]->AddRef();  // kept alive until End puts it back
    for (size_t k = 0; k < kSavedSamplerStates; ++k)
      savedSamplers[i * kSavedSamplerStates + k] = d->samplerStates[stage][kSavedSamplerStateTypes[k]];
  }
  saved = true;
}

void D3dxEffectState::restore_device_state() {
  if (!saved) return;
  for (const d3dx9::EffectRenderState& s : savedStates) device->SetRenderState(s.state, s.value);
  for (size_t i = 0; i < savedStages.size(); ++i) {
    const DWORD stage = savedStages[i];
    device->SetTexture(stage, savedTextures[i]);
    for (size_t k = 0; k < kSavedSamplerStates; ++k)
      device->SetSamplerState(stage, kSavedSamplerStateTypes[k], savedSamplers[i * kSavedSamplerStates + k]);
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

// A float matrix takes the matrix's upper-left rows and columns (an array, its first
// element), as D3DX's SetMatrix does.
HRESULT ID3DXEffect::SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) {
  int i = state->find_parameter(hParameter);
  if (i < 0 || !pMatrix) return D3DERR_INVALIDCALL;
  const d3dx9::EffectParameter& p = state->parameters[static_cast<size_t>(i)];
  if (p.type != ParameterType::kFloat || !p.matrix) return D3DERR_INVALIDCALL;
  std::vector<float>& floats = state->values[static_cast<size_t>(i)].floats;
  for (int r = 0; r < p.rows; ++r)
    for (int c = 0; c < p.columns; ++c) floats[static_cast<size_t>(r * p.columns + c)] = pMatrix->m[r][c];
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

// Whether a parameter holds one number (a bool, int or float, not a vector or an array).
static bool is_scalar(const d3dx9::EffectParameter& p) {
  return p.type != ParameterType::kTexture && p.type != ParameterType::kString && p.components() == 1 &&
         p.elements == 0;
}

HRESULT ID3DXEffect::SetFloat(D3DXHANDLE hParameter, FLOAT f) {
  int i = state->find_parameter(hParameter);
  if (i < 0 || !is_scalar(state->parameters[static_cast<size_t>(i)])) return D3DERR_INVALIDCALL;
  D3dxParameterValue& v = state->values[static_cast<size_t>(i)];
  switch (state->parameters[static_cast<size_t>(i)].type) {
    case ParameterType::kFloat: v.floats[0] = f; break;
    case ParameterType::kInt: v.integers[0] = truncate_to_int(f); break;
    default: v.integers[0] = f != 0.0f ? 1 : 0; break;  // a bool
  }
  return D3D_OK;
}

HRESULT ID3DXEffect::SetInt(D3DXHANDLE hParameter, INT n) {
  int i = state->find_parameter(hParameter);
  if (i < 0) return D3DERR_INVALIDCALL;
  const d3dx9::EffectParameter& p = state->parameters[static_cast<size_t>(i)];
  D3dxParameterValue& v = state->values[static_cast<size_t>(i)];
  if (p.type == ParameterType::kFloat && !p.matrix && p.rows == 1 && p.columns == 4 && p.elements == 0) {
    v.set_color(static_cast<DWORD>(n));
    return D3D_OK;
  }
  if (!is_scalar(p)) return D3DERR_INVALIDCALL;
  switch (p.type) {
    case ParameterType::kFloat: v.floats[0] = static_cast<float>(n); break;
    case ParameterType::kInt: v.integers[0] = n; break;
    default: v.integers[0] = n != 0 ? 1 : 0; break;  // a bool
  }
  return D3D_OK;
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
  override.hasWorld = world >= 0 && parameters[static_cast<size_t>(world)].type == ParameterType::kFloat &&
                      parameters[static_cast<size_t>(world)].values() == 16;
  if (override.hasWorld)
    std::memcpy(&override.world, values[static_cast<size_t>(world)].floats.data(), sizeof(D3DMATRIX));
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
  for (size_t i = 0; i < state->samplers.size(); ++i) state->apply_sampler(i);
  for (const d3dx9::EffectStageState& s : pass.stageStates) {
    const DWORD stage = static_cast<DWORD>(s.stage);
    if (!s.texture) {
      state->device->SetSamplerState(stage, s.type, s.value);
    } else if (state->values[static_cast<size_t>(s.parameter)].textureSet) {
      state->device->SetTexture(stage, state->values[static_cast<size_t>(s.parameter)].texture);
    }
  }
  for (D3dxParameterValue& v : state->values) v.textureDirty = false;
  return D3D_OK;
}

HRESULT ID3DXEffect::CommitChanges() {
  if (!state->begun || state->activePass < 0) return D3DERR_INVALIDCALL;
  const D3dxEffectTechnique& technique = state->techniques[state->activeTechnique];
  state->upload_values(technique.passes[static_cast<size_t>(state->activePass)]);
  state->publish_world();
  for (const d3dx9::EffectSampler& s : state->samplers)
    if (s.texture >= 0 && state->values[static_cast<size_t>(s.texture)].textureDirty)
      state->device->SetTexture(static_cast<DWORD>(s.stage), state->values[static_cast<size_t>(s.texture)].texture);
  for (D3dxParameterValue& v : state->values) v.textureDirty = false;
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
