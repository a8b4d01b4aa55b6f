// GLSL programs that follow Direct3D's conventions. Every program the platform builds,
// the fixed-function emulation and the effects alike, goes through build_program, which
// wraps the author's shaders so that they can be written as for Direct3D:
// - vertex shaders write gl_Position in Direct3D clip space (depth 0..w); the wrapper
//   maps it to OpenGL's -w..w afterwards;
// - fragment shaders write `frag_color`; the wrapper then applies the device's alpha
//   test (Direct3D keeps the alpha test outside the pixel shader); they may read the
//   render target's height in pixels as `vx_target_height`;
// - vertex inputs found by name get the device's attribute slots: in_position,
//   in_normal, in_texcoord, and vx_d3dcolor, declared by the wrapper: the D3DCOLOR
//   diffuse's bytes in memory order, so that `vx_d3dcolor.bgra` is its RGBA colour;
// - the fragment output `frag_color` has location 0 (declared with it by the caller, or
//   by the wrapper);
// - the text follows the profile's #version line (gl_profile.h).
#ifndef VORNEX_PLATFORM_D3D9_SHADER_PROGRAM_H
#define VORNEX_PLATFORM_D3D9_SHADER_PROGRAM_H

#include "gl_profile.h"

#include <cstddef>
#include <string>

namespace d3d9 {

enum AttributeSlot : GLuint {
  kPositionSlot = 0,
  kNormalSlot = 1,
  kColorSlot = 2,
  kTexcoordSlot = 3,
};

struct ShaderProgram {
  GLuint name = 0;
  GLint alphaFunc = -1;  // uniform locations of the wrapper's alpha test
  GLint alphaRef = -1;
  GLint targetHeight = -1;  // the render target's height in pixels, for the effects' VPOS
};

// Longest log build_program gives back.
const size_t kLogBytes = 4096;

// Compiles and links; on failure returns false with the compiler's log in `log`, each
// line naming `source_name` and the line in the author's text. The log is printable text
// (see printable_text.h) of at most kLogBytes; a longer one is cut short, ending with a line
// "... (log cut)".
// Who declares the fragment shader's `out vec4 frag_color`: the wrapper, for shaders written
// by hand, or the fragment body itself (the effects' shaders, translated from HLSL).
enum class FragmentOutput { kDeclaredByWrapper, kDeclaredByShader };

bool build_program(const std::string& vertex_body, const std::string& fragment_body,
                   const std::string& source_name, int vertex_first_line, int fragment_first_line,
                   ShaderProgram* out, std::string* log,
                   FragmentOutput output = FragmentOutput::kDeclaredByWrapper);

void destroy_program(ShaderProgram* program);

}  // namespace d3d9

#endif  // VORNEX_PLATFORM_D3D9_SHADER_PROGRAM_H
