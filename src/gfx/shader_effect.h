// The game's effect wrapper: one effect file compiled at load time with one technique
// chosen, drawn with that technique's first pass and fed the three transforms under
// "World", "View" (the camera's) and "Projection" (the game's one projection). Texture
// and value parameters are set on `effect` by the caller before begin_effect.
//
// A wrapper whose file failed to load or compile has no effect. Its draws then go
// through the fixed-function pipeline with the transforms the effect would have had:
// begin_effect and next_world set the device's world, view (the camera's) and
// projection transforms and return E_FAIL, and end_effect puts the view back to
// identity, which the sky, the arms and the screens rely on. The game stays playable,
// without the effects' looks.
#ifndef VORNEX_GFX_SHADER_EFFECT_H
#define VORNEX_GFX_SHADER_EFFECT_H

#include <windows.h>

#include <d3dx9.h>

struct ShaderEffect {
  ID3DXEffect* effect = nullptr;  // owned; null when the file failed to load or compile

  ShaderEffect() = default;
  ~ShaderEffect();
  ShaderEffect(const ShaderEffect&) = delete;
  ShaderEffect& operator=(const ShaderEffect&) = delete;

  // Sets "World", "View" and "Projection", Begin (which saves the device state the
  // effect changes) and BeginPass(0); returns the result of BeginPass.
  HRESULT begin_effect(D3DXMATRIX world);
  // end_effect, then begin_effect with the new world matrix, for the next object drawn
  // with the same effect.
  HRESULT next_world(D3DXMATRIX world);
  // EndPass, then End (which restores the saved device state).
  void end_effect();
};

// Compiles `file` (relative to the working directory) on g_pd3d_render and selects
// `technique`; the caller owns the new wrapper (delete). A file that fails to load or
// compile shows a warning box captioned "Fx Compile Error" with the compiler's text, or,
// when there is none (a missing file), a text naming the file; the wrapper then has no
// effect. A technique name the file lacks is not reported.
ShaderEffect* load_effect(const char* file, const char* technique);

#endif  // VORNEX_GFX_SHADER_EFFECT_H
