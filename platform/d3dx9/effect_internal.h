// The OpenGL side of an ID3DXEffect: one linked program per pass, the parameters'
// current values, and the device state saved between Begin and End.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_INTERNAL_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_INTERNAL_H

#include <d3dx9.h>

#include <string>
#include <vector>

#include "../d3d9/d3d9_internal.h"
#include "effect_source.h"

struct D3dxParameterValue {
  // A float parameter's values as D3DX stores them: a matrix row by row, an array element
  // after element. An int's or a bool's (0 or 1) are `integers`.
  std::vector<float> floats;
  std::vector<int> integers;
  IDirect3DBaseTexture9* texture = nullptr;  // the effect holds a reference
  bool textureSet = false;    // SetTexture was called: BeginPass puts it (null too) on its samplers' stages
  bool textureDirty = false;  // set since the pass began: CommitChanges sends it

  // A D3DCOLOR (0xAARRGGBB) as a float4 (r, g, b, a) in 0..1, as D3DX's SetInt on a float4.
  void set_color(DWORD argb);
};

namespace d3dx9 {

// What an OpenGL uniform type holds: the kind of its numbers and how many (a mat3, 9).
enum class UniformBase { kNone, kFloat, kInt, kUnsigned };
struct UniformShape {
  UniformBase base = UniformBase::kNone;
  int components = 0;
};
UniformShape uniform_shape(GLenum type);

}  // namespace d3dx9

// A parameter's uniform in one stage of a pass's program, as OpenGL reports it.
struct D3dxUniform {
  GLint location = -1;  // -1: the stage does not use the parameter
  GLenum type = 0;      // GL_FLOAT_VEC4, GL_FLOAT_MAT4, GL_UNSIGNED_INT (a bool), ...
  GLint size = 0;       // an array's length, else 1
};

struct D3dxEffectPass {
  std::vector<d3dx9::EffectRenderState> states;
  std::vector<d3dx9::EffectStageState> stageStates;
  d3d9::ShaderProgram program;
  // Per parameter, its uniform in each stage of `program`.
  std::vector<D3dxUniform> vertexUniforms;
  std::vector<D3dxUniform> pixelUniforms;
};

struct D3dxEffectTechnique {
  std::string name;
  std::vector<D3dxEffectPass> passes;
};

struct D3dxEffectState {
  IDirect3DDevice9* device = nullptr;  // referenced
  std::vector<d3dx9::EffectParameter> parameters;
  std::vector<d3dx9::EffectSampler> samplers;
  std::vector<D3dxParameterValue> values;  // one per parameter
  std::vector<D3dxEffectTechnique> techniques;
  size_t technique = 0;  // chosen by SetTechnique

  // Between Begin and End.
  bool begun = false;
  size_t activeTechnique = 0;
  int activePass = -1;  // -1: no pass open
  bool saved = false;
  std::vector<d3dx9::EffectRenderState> savedStates;
  // The texture stages the technique may change (its samplers' and those its passes set),
  // each with its texture (referenced until End) and sampler states (kSavedSamplerStates of
  // them, in the order of kSavedSamplerStateTypes).
  std::vector<DWORD> savedStages;
  std::vector<IDirect3DBaseTexture9*> savedTextures;
  std::vector<DWORD> savedSamplers;

  // Compiles every pass of `source`; on failure returns false with the compilers' messages,
  // held to d3d9::kLogBytes: once it is full the passes left are not compiled.
  static bool build(IDirect3DDevice9* device, const d3dx9::EffectSource& source, const std::string& file_name,
                    ID3DXEffect** out, std::string* log);
  void destroy();

  // The index of the parameter called `name`, or -1.
  int find_parameter(D3DXHANDLE name) const;
  void upload_values(const D3dxEffectPass& pass) const;
  void apply_sampler(size_t sampler);
  void save_device_state();
  void restore_device_state();
  void take_program_off_device();
  void publish_world();
};

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_INTERNAL_H
