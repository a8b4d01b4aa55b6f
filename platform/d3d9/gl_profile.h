// The one place where the platform's two OpenGL profiles differ: OpenGL 3.3 core (the
// desktop) and OpenGL ES 3.0 (WebGL 2 in a browser, or chosen on Linux with VORNEX_GL=es3
// so that the browser's profile can be tested natively). Everything else draws with the
// subset the two share: no BGRA vertex attributes, no client arrays, no polygon modes, no
// border clamping, no clip control, no fragment-output binding by name.
#ifndef VORNEX_PLATFORM_D3D9_GL_PROFILE_H
#define VORNEX_PLATFORM_D3D9_GL_PROFILE_H

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

#include <string>

namespace d3d9 {

enum class GlProfile { kCore33, kEs30 };

// The profile this process draws with, read once: ES 3.0 in the browser; on the desktop,
// ES 3.0 when the environment variable VORNEX_GL is "es3", OpenGL 3.3 core when it is
// unset, empty or "core".
GlProfile gl_profile();

// Empty, or why VORNEX_GL names no profile: the device then refuses to start rather than
// draw with a profile nobody asked for.
std::string gl_profile_error();

// The profile as a person reads it: "OpenGL 3.3 core" or "OpenGL ES 3.0".
const char* gl_profile_name(GlProfile profile);

// Asks SDL for a context of the profile; call before SDL_GL_CreateContext.
void request_gl_context(GlProfile profile);

// The first lines of every GLSL program of the profile: its #version line and, for ES,
// the precision every stage computes in (high, as the desktop does).
const char* glsl_prologue(GlProfile profile);

}  // namespace d3d9

#endif  // VORNEX_PLATFORM_D3D9_GL_PROFILE_H
