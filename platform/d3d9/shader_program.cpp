#include "shader_program.h"

#include <sstream>
#include <vector>

#include "printable_text.h"

namespace d3d9 {
namespace {

// The vertex colour attribute holds a D3DCOLOR's bytes as they lie in memory (B, G, R, A):
// every profile reads them as RGBA bytes, and shaders swizzle (`vx_d3dcolor.bgra`).
const char* const kVertexPrologue =
    "in vec4 vx_d3dcolor;\n"
    "#define main vx_author_main\n";

const char* const kVertexEpilogue =
    "\n#undef main\n"
    "void main() {\n"
    "  vx_author_main();\n"
    "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"
    "}\n";

const char* const kFragmentPrologue =
    "uniform int vx_alpha_func;\n"
    "uniform int vx_alpha_ref;\n"
    "uniform float vx_target_height;\n"
    "#define main vx_author_main\n";
const char* const kFragmentOutput = "layout(location = 0) out vec4 frag_color;\n";

// vx_alpha_func is 0 with the alpha test off, else a D3DCMPFUNC; alpha is compared
// as the byte the colour would store, as Direct3D does.
const char* const kFragmentEpilogue =
    "\n#undef main\n"
    "void main() {\n"
    "  vx_author_main();\n"
    "  int a = int(clamp(frag_color.a, 0.0, 1.0) * 255.0 + 0.5);\n"
    "  bool keep = true;\n"
    "  if (vx_alpha_func == 1) keep = false;\n"
    "  else if (vx_alpha_func == 2) keep = a < vx_alpha_ref;\n"
    "  else if (vx_alpha_func == 3) keep = a == vx_alpha_ref;\n"
    "  else if (vx_alpha_func == 4) keep = a <= vx_alpha_ref;\n"
    "  else if (vx_alpha_func == 5) keep = a > vx_alpha_ref;\n"
    "  else if (vx_alpha_func == 6) keep = a != vx_alpha_ref;\n"
    "  else if (vx_alpha_func == 7) keep = a >= vx_alpha_ref;\n"
    "  if (!keep) discard;\n"
    "}\n";

std::string line_directive(int first_line) {
  return "#line " + std::to_string(first_line > 0 ? first_line : 1) + "\n";
}

std::string shader_log(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 1), '\0');
  glGetShaderInfoLog(shader, static_cast<GLsizei>(text.size()), nullptr, text.data());
  return text.data();
}

std::string program_log(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 1), '\0');
  glGetProgramInfoLog(program, static_cast<GLsizei>(text.size()), nullptr, text.data());
  return text.data();
}

// Longest line of the compiler's log repeated, so that a line naming a huge identifier still
// leaves room for the others.
const size_t kLogLineBytes = 400;

// Adds each line of the compiler's log to `log`, prefixed with the file and the shader stage
// and made printable: the compiler may repeat bytes of the author's text. Once `log` holds
// kLogBytes the rest is left out (see append_log_lines) and the result is false.
bool attribute_log(const std::string& source_name, const char* stage, const std::string& raw,
                   std::string* log) {
  const std::string prefix = source_name + ": " + stage + ": ";
  std::istringstream in(raw);
  std::string line, lines;
  while (std::getline(in, line) && lines.size() <= kLogBytes) {
    if (line.empty()) continue;
    lines += prefix;
    if (!append_printable(&lines, line, kLogLineBytes, true)) lines += "...";
    lines += '\n';
  }
  if (lines.empty()) lines = prefix + "failed without a message\n";
  return append_log_lines(log, lines, kLogBytes);
}

// Returns 0 on failure, with the compiler's log in `raw_log`.
GLuint compile(GLenum kind, const std::string& text, std::string* raw_log) {
  GLuint shader = glCreateShader(kind);
  const char* src = text.c_str();
  glShaderSource(shader, 1, &src, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    *raw_log = shader_log(shader);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

bool build_program(const std::string& vertex_body, const std::string& fragment_body,
                   const std::string& source_name, int vertex_first_line, int fragment_first_line,
                   ShaderProgram* out, std::string* log, FragmentOutput output) {
  *out = ShaderProgram{};
  log->clear();
  const std::string version = glsl_prologue(gl_profile());
  std::string vertex = version + kVertexPrologue + line_directive(vertex_first_line) + vertex_body + kVertexEpilogue;
  std::string fragment = version + kFragmentPrologue +
                         (output == FragmentOutput::kDeclaredByWrapper ? kFragmentOutput : "") +
                         line_directive(fragment_first_line) + fragment_body + kFragmentEpilogue;

  std::string vertex_log, fragment_log;
  GLuint vs = compile(GL_VERTEX_SHADER, vertex, &vertex_log);
  GLuint fs = compile(GL_FRAGMENT_SHADER, fragment, &fragment_log);
  if (!vs || !fs) {
    if (!vs) attribute_log(source_name, "vertex shader", vertex_log, log);
    if (!fs) attribute_log(source_name, "pixel shader", fragment_log, log);
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return false;
  }

  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glBindAttribLocation(program, kPositionSlot, "in_position");
  glBindAttribLocation(program, kNormalSlot, "in_normal");
  glBindAttribLocation(program, kColorSlot, "vx_d3dcolor");
  glBindAttribLocation(program, kTexcoordSlot, "in_texcoord");
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    attribute_log(source_name, "link", program_log(program), log);
    glDeleteProgram(program);
    return false;
  }
  out->name = program;
  out->alphaFunc = glGetUniformLocation(program, "vx_alpha_func");
  out->alphaRef = glGetUniformLocation(program, "vx_alpha_ref");
  out->targetHeight = glGetUniformLocation(program, "vx_target_height");
  return true;
}

void destroy_program(ShaderProgram* program) {
  if (program->name) glDeleteProgram(program->name);
  *program = ShaderProgram{};
}

}  // namespace d3d9
