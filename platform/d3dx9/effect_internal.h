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
  float floats[16] = {};  // a float4x4 as D3DX stores it (row-major), a float in [0], a color as r, g, b, a
  int integer = 0;
  IDirect3DBaseTexture9* texture = nullptr;  // the effect holds a reference
  bool textureSet = false;    // SetTexture was called: BeginPass puts it (null too) on its stage
  bool textureDirty = false;  // set since the pass began: CommitChanges sends it

  // A D3DCOLOR (0xAARRGGBB) as the shader's vec4(r, g, b, a) in 0..1.
  void set_color(DWORD argb);
};

struct D3dxEffectPass {
  std::vector<d3dx9::EffectRenderState> states;
  d3d9::ShaderProgram program;
  std::vector<GLint> locations;  // per parameter, its uniform in `program` (-1: unused)
};

struct D3dxEffectTechnique {
  std::string name;
  std::vector<D3dxEffectPass> passes;
};

struct D3dxEffectState {
  IDirect3DDevice9* device = nullptr;  // referenced
  std::vector<d3dx9::EffectParameter> parameters;
  std::vector<D3dxParameterValue> values;  // one per parameter
  std::vector<D3dxEffectTechnique> techniques;
  size_t technique = 0;  // chosen by SetTechnique

  // Between Begin and End.
  bool begun = false;
  size_t activeTechnique = 0;
  int activePass = -1;  // -1: no pass open
  bool saved = false;
  std::vector<d3dx9::EffectRenderState> savedStates;
  // Per texture parameter: its stage's texture (referenced until End) and the stage's
  // min filter, mag filter, address u and address v.
  std::vector<IDirect3DBaseTexture9*> savedTextures;
  std::vector<DWORD> savedSamplers;

  // Compiles every pass of `source`; on failure returns false with the compiler's log, held to
  // d3d9::kLogBytes: once it is full the passes left are not compiled.
  static bool build(IDirect3DDevice9* device, const d3dx9::EffectSource& source, const std::string& file_name,
                    ID3DXEffect** out, std::string* log);
  void destroy();

  // The index of the parameter called `name`, or -1.
  int find_parameter(D3DXHANDLE name) const;
  void upload_values(const D3dxEffectPass& pass) const;
  void apply_texture(size_t parameter);
  void save_device_state();
  void restore_device_state();
  void take_program_off_device();
  void publish_world();
};

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_INTERNAL_H
