#include "floor_programs.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "d3dx9/effect_preprocess.h"
#include "d3dx9/effect_source.h"
#include "d3dx9/effect_translate.h"

namespace {

const char* const kVertexEnd =
    "\n#undef main\n"
    "void main() {\n"
    "  author_main();\n"
    "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"
    "}\n";

const char* const kFragmentEnd =
    "\n#undef main\n"
    "void main() {\n"
    "  author_main();\n"
    "  if (int(clamp(frag_color.a, 0.0, 1.0) * 255.0 + 0.5) < 8) discard;\n"
    "}\n";

const char* const kTexturedVertex = R"(
in vec3 in_position;
in vec4 in_color;
in vec2 in_texcoord;
out vec4 v_color;
out vec2 v_texcoord;
void main() {
  gl_Position = World * vec4(in_position, 1.0);
  v_color = in_color;
  v_texcoord = in_texcoord;
}
)";

const char* const kTexturedFragment = R"(
in vec4 v_color;
in vec2 v_texcoord;
void main() {
  vec4 t = texture(image, v_texcoord);
  frag_color = vec4(t.rgb * v_color.rgb, t.a);
}
)";

GLuint compile(GLenum kind, const std::string& text, std::string* error) {
  GLuint shader = glCreateShader(kind);
  const char* source = text.c_str();
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return shader;
  char log[2048] = {};
  glGetShaderInfoLog(shader, sizeof log, nullptr, log);
  *error = log;
  glDeleteShader(shader);
  return 0;
}

// `fragment_output` is the declaration of frag_color, empty when the fragment text has its own.
bool link(const std::string& uniforms, const std::string& vertex, const std::string& fragment,
          const std::string& fragment_output, FloorProgram* out, std::string* error) {
  const std::string head = "#version 330 core\n" + uniforms + "#define main author_main\n";
  GLuint vs = compile(GL_VERTEX_SHADER, head + vertex + kVertexEnd, error);
  GLuint fs = compile(GL_FRAGMENT_SHADER, head + fragment_output + fragment + kFragmentEnd, error);
  if (!vs || !fs) return false;
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glBindAttribLocation(program, kFloorPosition, "in_position");
  glBindAttribLocation(program, kFloorNormal, "in_normal");
  glBindAttribLocation(program, kFloorColor, "in_color");
  glBindAttribLocation(program, kFloorTexcoord, "in_texcoord");
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    *error = "the program does not link";
    glDeleteProgram(program);
    return false;
  }
  out->name = program;
  return true;
}

std::string read_text(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

// The effect file's first pass as the platform compiles it (the same HLSL, preprocessed,
// read and translated to GLSL), linked here without the effect framework around it.
bool build_effect_program(const std::string& path, FloorProgram* out, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = path + ": cannot open";
    return false;
  }
  std::string preprocessed, vertex, fragment;
  d3dx9::EffectSource source;
  if (!d3dx9::preprocess_effect(read_text(path), path, &preprocessed, error) ||
      !d3dx9::parse_effect(preprocessed, path, &source, error))
    return false;
  const d3dx9::EffectPass& pass = source.techniques.front().passes.front();
  if (!d3dx9::translate_shader(source.hlsl, path, d3dx9::ShaderStage::kVertex, pass.vertex.function, &vertex,
                               error) ||
      !d3dx9::translate_shader(source.hlsl, path, d3dx9::ShaderStage::kPixel, pass.pixel.function, &fragment,
                               error))
    return false;
  if (!link("", vertex, fragment, "", out, error)) {
    *error = path + ": " + *error;
    return false;
  }
  glUseProgram(out->name);
  auto member = [&](const char* parameter) {
    return glGetUniformLocation(out->name, ("vx_vs_globals." + d3dx9::glsl_member_name(parameter)).c_str());
  };
  out->world = member("World");
  out->view = member("View");
  out->projection = member("Projection");
  out->timeOffset = glGetUniformLocation(out->name, ("vx_ps_globals." + d3dx9::glsl_member_name("timeOffset")).c_str());
  out->plasmaColor =
      glGetUniformLocation(out->name, ("vx_ps_globals." + d3dx9::glsl_member_name("PlasmaColor")).c_str());
  for (const d3dx9::EffectSampler& sampler : source.samplers)
    glUniform1i(glGetUniformLocation(out->name, d3dx9::glsl_sampler_name(sampler.name).c_str()), sampler.stage);
  return true;
}

bool build_textured_program(FloorProgram* out, std::string* error) {
  if (!link("uniform mat4 World;\nuniform sampler2D image;\n", kTexturedVertex, kTexturedFragment,
            "out vec4 frag_color;\n", out, error))
    return false;
  out->world = glGetUniformLocation(out->name, "World");
  glUseProgram(out->name);
  glUniform1i(glGetUniformLocation(out->name, "image"), 0);
  return true;
}
