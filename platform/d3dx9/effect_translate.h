// One shader function of an effect file, compiled from HLSL and translated to the GLSL that
// d3d9::build_program wraps: glslang's HLSL front end (in its Direct3D 9 mode) compiles the
// function to SPIR-V, and SPIRV-Cross writes the SPIR-V out as GLSL of the device's
// profile (3.30, or ES 3.00: gl_profile.h). Both are run at load time, as D3DX compiles an
// effect from its text.
//
// In the GLSL, named so that the effect can find them and the two stages meet:
// - the parameters (the file's global variables) are members of one uniform struct,
//   `vx_vs_globals` in the vertex stage and `vx_ps_globals` in the pixel stage, each member
//   named `vx_` followed by the parameter's name;
// - a sampler is the sampler2D uniform `vx_` followed by its name;
// - vertex inputs are the device's attributes by their semantics: POSITION in_position,
//   NORMAL in_normal, COLOR0 in_color (a macro reading the D3DCOLOR attribute),
//   TEXCOORD0 in_texcoord;
// - the vertex shader's POSITION output is gl_Position, its other outputs and the pixel
//   shader's inputs are `vx_v_` followed by their semantic (TEXCOORD1, COLOR0, ...);
// - the pixel shader's COLOR0 output is frag_color.
// The text is the effect preprocessor's (effect_preprocess.h), at most kMaxCompiledText
// bytes, and glslang runs on the compiler's own stack (compiler_stack.h): deeply nested
// text would otherwise overflow the caller's.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_TRANSLATE_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_TRANSLATE_H

#include <string>

namespace d3dx9 {

enum class ShaderStage { kVertex, kPixel };

// Compiles function `entry` of `hlsl` for `stage`. `hlsl` is the effect file's text with its
// effect-framework parts (techniques, texture declarations, sampler states, annotations)
// blanked out, so that its lines are still the file's. On success `glsl` holds the GLSL,
// without a #version line. On failure returns false with the compiler's messages in
// `errors`, one line each, "<file_name>(<line>): error: <message>", as D3DX words them.
// Results are remembered by text, so a file compiled again costs nothing; its errors are
// given again every time.
bool translate_shader(const std::string& hlsl, const std::string& file_name, ShaderStage stage,
                      const std::string& entry, std::string* glsl, std::string* errors);

// The GLSL names of a parameter's struct member and of a sampler's uniform.
std::string glsl_member_name(const std::string& parameter);
std::string glsl_sampler_name(const std::string& sampler);

}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_TRANSLATE_H
