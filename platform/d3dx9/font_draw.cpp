// Drawing text: one draw call per DrawTextA, with a small program of its own that
// places the glyphs' quads on the back buffer's pixel grid. The device re-applies
// its own OpenGL state at each of its draws, so the font sets what it needs here and
// only restores what the device does not set again per draw (program, vertex array,
// the sampler of stage 0, the scissor test).
#include <algorithm>
#include <cstdio>

#include "font_internal.h"

namespace {

// Positions in back-buffer pixels (top left origin), texture coordinates in atlas texels.
const char* const kTextVertex = R"(
in vec2 in_position;
in vec2 in_texcoord;
uniform vec2 target_size;
uniform vec2 atlas_size;
out vec2 v_texcoord;
void main() {
  gl_Position = vec4(in_position.x / target_size.x * 2.0 - 1.0, 1.0 - in_position.y / target_size.y * 2.0,
                     0.0, 1.0);
  v_texcoord = in_texcoord / atlas_size;
}
)";

// The atlas holds coverage; the colour's alpha scales it for blending.
const char* const kTextFragment = R"(
in vec2 v_texcoord;
uniform vec4 text_color;
uniform sampler2D atlas;
void main() {
  frag_color = vec4(text_color.rgb, text_color.a * texture(atlas, v_texcoord).r);
}
)";

const int kFloatsPerVertex = 4;

void push_vertex(std::vector<float>* out, float x, float y, float u, float v) {
  out->push_back(x);
  out->push_back(y);
  out->push_back(u);
  out->push_back(v);
}

// Two triangles per glyph, for every glyph of every line.
std::vector<float> glyph_quads(D3dxFontState* font, const char* text,
                               const std::vector<d3dx9::PlacedLine>& lines) {
  std::vector<float> vertices;
  for (const d3dx9::PlacedLine& placed : lines) {
    int pen = placed.x;
    const int baseline = placed.y + font->ascent;
    for (size_t i = placed.line->begin; i < placed.line->end; ++i) {
      const d3dx9::Glyph& g = font->glyph(static_cast<unsigned char>(text[i]));
      if (g.width > 0) {
        const float x0 = static_cast<float>(pen + g.left), y0 = static_cast<float>(baseline - g.top);
        const float x1 = x0 + g.width, y1 = y0 + g.height;
        const float u0 = static_cast<float>(g.atlasX), v0 = static_cast<float>(g.atlasY);
        const float u1 = u0 + g.width, v1 = v0 + g.height;
        push_vertex(&vertices, x0, y0, u0, v0);
        push_vertex(&vertices, x1, y0, u1, v0);
        push_vertex(&vertices, x0, y1, u0, v1);
        push_vertex(&vertices, x1, y0, u1, v0);
        push_vertex(&vertices, x1, y1, u1, v1);
        push_vertex(&vertices, x0, y1, u0, v1);
      }
      pen += g.advance;
    }
  }
  return vertices;
}

void upload_atlas(D3dxFontState* font) {
  glBindTexture(GL_TEXTURE_2D, font->texture);
  if (!font->atlas.dirty) return;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, font->atlas.width, font->atlas.height, 0, GL_RED, GL_UNSIGNED_BYTE,
               font->atlas.pixels.data());
  font->atlas.dirty = false;
}

}  // namespace

namespace d3dx9 {

bool draw_lines(D3dxFontState* font, const char* text, const std::vector<PlacedLine>& lines, const RECT* clip,
                D3DCOLOR color) {
  D3d9DeviceState* device = font->device;
  if (!device || !device->context || !font->program.name) return false;
  std::vector<float> vertices = glyph_quads(font, text, lines);
  const int width = device->backBufferWidth, height = device->backBufferHeight;

  // The clip rectangle, within the back buffer, as an OpenGL scissor (bottom left origin).
  int sx = 0, sy = 0, sw = width, sh = height;
  if (clip) {
    const int left = std::max<int>(clip->left, 0), top = std::max<int>(clip->top, 0);
    const int right = std::min<int>(clip->right, width), bottom = std::min<int>(clip->bottom, height);
    if (right <= left || bottom <= top) return true;  // nothing of the text can show
    sx = left;
    sy = height - bottom;
    sw = right - left;
    sh = bottom - top;
  }
  if (vertices.empty()) return true;

  device->make_current();
  GLint previous_program = 0, previous_texture = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &previous_program);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous_texture);

  glBindFramebuffer(GL_FRAMEBUFFER, device->framebuffer);
  glViewport(0, 0, width, height);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_SCISSOR_TEST);
  glScissor(sx, sy, sw, sh);

  upload_atlas(font);
  glBindSampler(0, 0);  // the atlas's own nearest filtering, not stage 0's sampler states
  glUseProgram(font->program.name);
  glUniform2f(font->targetSize, static_cast<float>(width), static_cast<float>(height));
  glUniform2f(font->atlasSize, static_cast<float>(font->atlas.width), static_cast<float>(font->atlas.height));
  glUniform4f(font->textColor, ((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
              (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
  glUniform1i(font->program.alphaFunc, 0);  // no alpha test: blending does the edges

  glBindVertexArray(font->vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, font->vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
               GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / kFloatsPerVertex));

  glDisable(GL_SCISSOR_TEST);
  glBindSampler(0, device->samplers[0]);
  glBindVertexArray(device->vertexArray);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous_texture));
  glUseProgram(static_cast<GLuint>(previous_program));
  return true;
}

}  // namespace d3dx9

bool D3dxFontState::create_gl() {
  device->make_current();
  std::string log;
  if (!d3d9::build_program(kTextVertex, kTextFragment, "font", 1, 1, &program, &log)) {
    std::fprintf(stderr, "VORNEX: the font cannot build its shaders:\n%s", log.c_str());
    return false;
  }
  GLint previous_program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &previous_program);
  targetSize = glGetUniformLocation(program.name, "target_size");
  atlasSize = glGetUniformLocation(program.name, "atlas_size");
  textColor = glGetUniformLocation(program.name, "text_color");
  atlasSampler = glGetUniformLocation(program.name, "atlas");
  glUseProgram(program.name);
  glUniform1i(atlasSampler, 0);
  glUseProgram(static_cast<GLuint>(previous_program));

  GLint previous_texture = 0;
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous_texture);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous_texture));

  const GLsizei stride = kFloatsPerVertex * sizeof(float);
  glGenVertexArrays(1, &vertexArray);
  glGenBuffers(1, &vertexBuffer);
  glBindVertexArray(vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  glEnableVertexAttribArray(d3d9::kPositionSlot);
  glVertexAttribPointer(d3d9::kPositionSlot, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
  glEnableVertexAttribArray(d3d9::kTexcoordSlot);
  glVertexAttribPointer(d3d9::kTexcoordSlot, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(2 * sizeof(float)));
  glBindVertexArray(device->vertexArray);
  return true;
}

void D3dxFontState::release_gl() {
  if (device && device->context) {
    device->make_current();
    if (vertexBuffer) glDeleteBuffers(1, &vertexBuffer);
    if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
    if (texture) glDeleteTextures(1, &texture);
    d3d9::destroy_program(&program);
  }
  vertexBuffer = vertexArray = texture = 0;
  program = d3d9::ShaderProgram{};
  device = nullptr;
}
