#include "floor_programs.h"

#include <fstream>
#include <sstream>
#include <vector>

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

std::string glsl_type(const std::string& type) {
  if (type == "float4x4") return "mat4";
  if (type == "texture") return "sampler2D";
  if (type == "color") return "vec4";
  return type;  // float, int
}

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

bool link(const std::string& uniforms, const std::string& vertex, const std::string& fragment,
          FloorProgram* out, std::string* error) {
  const std::string head = "#version 330 core\n" + uniforms + "#define main author_main\n";
  GLuint vs = compile(GL_VERTEX_SHADER, head + vertex + kVertexEnd, error);
  GLuint fs = compile(GL_FRAGMENT_SHADER, head + "out vec4 frag_color;\n" + fragment + kFragmentEnd, error);
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
  out->world = glGetUniformLocation(program, "World");
  out->view = glGetUniformLocation(program, "View");
  out->projection = glGetUniformLocation(program, "Projection");
  return true;
}

}  // namespace

bool build_effect_program(const std::string& path, FloorProgram* out, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = path + ": cannot open";
    return false;
  }
  // Parameters become uniforms, texture parameters samplers on their stage's unit; the
  // first pass's vertex and pixel sections are the shader bodies.
  std::string uniforms, vertex, fragment, line;
  std::vector<std::pair<std::string, int>> samplers;
  std::string* section = nullptr;
  bool passDone = false;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    std::string first, type, name, word;
    words >> first;
    if (section) {
      if (first == "end") {
        passDone = passDone || section == &fragment;
        section = nullptr;
      } else {
        *section += line + "\n";
      }
    } else if (first == "parameter" && words >> type >> name) {
      uniforms += "uniform " + glsl_type(type) + " " + name + ";\n";
      while (words >> word)
        if (word == "stage" && words >> word) samplers.emplace_back(name, std::stoi(word));
    } else if (first == "vertex" && !passDone) {
      section = &vertex;
    } else if (first == "pixel" && !passDone) {
      section = &fragment;
    }
  }
  if (vertex.empty() || fragment.empty()) {
    *error = path + ": no vertex and pixel sections";
    return false;
  }
  if (!link(uniforms, vertex, fragment, out, error)) {
    *error = path + ": " + *error;
    return false;
  }
  glUseProgram(out->name);
  for (const auto& sampler : samplers)
    glUniform1i(glGetUniformLocation(out->name, sampler.first.c_str()), sampler.second);
  return true;
}

bool build_textured_program(FloorProgram* out, std::string* error) {
  if (!link("uniform mat4 World;\nuniform sampler2D image;\n", kTexturedVertex, kTexturedFragment, out,
            error))
    return false;
  glUseProgram(out->name);
  glUniform1i(glGetUniformLocation(out->name, "image"), 0);
  return true;
}
