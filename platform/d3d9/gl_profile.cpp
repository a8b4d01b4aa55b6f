#include "gl_profile.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace d3d9 {

namespace {

struct Choice {
  GlProfile profile = GlProfile::kCore33;
  std::string error;
};

Choice read_choice() {
  Choice choice;
#ifdef __EMSCRIPTEN__
  choice.profile = GlProfile::kEs30;
#else
  const char* asked = std::getenv("VORNEX_GL");
  if (asked && std::strcmp(asked, "es3") == 0) {
    choice.profile = GlProfile::kEs30;
  } else if (asked && *asked && std::strcmp(asked, "core") != 0) {
    choice.error = std::string("VORNEX_GL is \"") + asked +
                   "\", which names no OpenGL profile of this platform: \"es3\" for OpenGL ES 3.0, "
                   "\"core\" or unset for OpenGL 3.3 core";
  }
#endif
  return choice;
}

const Choice& choice() {
  static const Choice once = read_choice();
  return once;
}

}  // namespace

GlProfile gl_profile() { return choice().profile; }

std::string gl_profile_error() { return choice().error; }

const char* gl_profile_name(GlProfile profile) {
  return profile == GlProfile::kEs30 ? "OpenGL ES 3.0" : "OpenGL 3.3 core";
}

void request_gl_context(GlProfile profile) {
  const bool es = profile == GlProfile::kEs30;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, es ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, es ? 0 : 3);
}

const char* glsl_prologue(GlProfile profile) {
  if (profile == GlProfile::kCore33) return "#version 330 core\n";
  return "#version 300 es\n"
         "precision highp float;\n"
         "precision highp int;\n"
         "precision highp sampler2D;\n";
}

}  // namespace d3d9
