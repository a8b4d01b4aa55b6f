// The device: Direct3D's state is stored as it is set and applied to OpenGL only when a
// draw needs it, so redundant state changes cost nothing; sampler states, which OpenGL
// revalidates whenever they are touched, are sent only when they differ from what it
// has. Without an active effect pass draws go through the fixed-function emulation:
// lighting off, world x view x projection, colour = texture x diffuse with the
// texture's alpha, or the diffuse colour and alpha alone when stage 0 has no texture.
#include <cstdio>
#include <cstring>
#include <string>

#include "../win32/win32_internal.h"
#include "d3d9_internal.h"
#include "present_pacing.h"

namespace {

const char* const kFixedFunctionVertex = R"(
in vec3 in_position;
in vec2 in_texcoord;
uniform mat4 ff_world_view_projection;
out vec4 v_color;
out vec2 v_texcoord;
void main() {
  gl_Position = ff_world_view_projection * vec4(in_position, 1.0);
  v_color = vx_d3dcolor.bgra;
  v_texcoord = in_texcoord;
}
)";

const char* const kFixedFunctionFragment = R"(
in vec4 v_color;
in vec2 v_texcoord;
uniform bool ff_textured;
uniform sampler2D ff_texture;
void main() {
  if (ff_textured) {
    vec4 t = texture(ff_texture, v_texcoord);
    frag_color = vec4(t.rgb * v_color.rgb, t.a);
  } else {
    frag_color = v_color;
  }
}
)";

D3DMATRIX identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  return r;
}

GLenum gl_compare(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum gl_blend(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
  }
}

GLint gl_filter(DWORD filter) { return filter == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR; }

GLint gl_address(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

bool known_render_state(D3DRENDERSTATETYPE state) {
  switch (state) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_CULLMODE:
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_LIGHTING:
      return true;
    default:
      return false;
  }
}

// Direct3D's defaults for a device with an automatic depth buffer.
void set_default_states(D3d9DeviceState* s) {
  s->renderStates[D3DRS_ZENABLE] = D3DZB_TRUE;
  s->renderStates[D3DRS_ZWRITEENABLE] = TRUE;
  s->renderStates[D3DRS_ALPHATESTENABLE] = FALSE;
  s->renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  s->renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  s->renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
  s->renderStates[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  s->renderStates[D3DRS_ALPHAREF] = 0;
  s->renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  s->renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
  s->renderStates[D3DRS_LIGHTING] = TRUE;  // stored; drawing is always unlit here
  for (auto& stage : s->samplerStates) {
    stage[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    stage[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    stage[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    stage[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    stage[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
  }
  s->world = s->view = s->projection = identity();
}

void apply_sampler(D3d9DeviceState* s, int stage) {
  const DWORD* st = s->samplerStates[stage];
  glSamplerParameteri(s->samplers[stage], GL_TEXTURE_MIN_FILTER, gl_filter(st[D3DSAMP_MINFILTER]));
  glSamplerParameteri(s->samplers[stage], GL_TEXTURE_MAG_FILTER, gl_filter(st[D3DSAMP_MAGFILTER]));
  glSamplerParameteri(s->samplers[stage], GL_TEXTURE_WRAP_S, gl_address(st[D3DSAMP_ADDRESSU]));
  glSamplerParameteri(s->samplers[stage], GL_TEXTURE_WRAP_T, gl_address(st[D3DSAMP_ADDRESSV]));
}

}  // namespace

namespace d3d9 {

UINT vertex_count(D3DPRIMITIVETYPE type, UINT primitives) {
  switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    default: return 0;
  }
}

GLenum gl_primitive(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
  }
}

}  // namespace d3d9

// ---- creation and destruction ----

HRESULT D3d9DeviceState::create(HWND window, const D3DPRESENT_PARAMETERS& params, IDirect3DDevice9** out) {
  const std::string profile_error = d3d9::gl_profile_error();
  if (!profile_error.empty()) {
    std::fprintf(stderr, "VORNEX: %s\n", profile_error.c_str());
    return D3DERR_NOTAVAILABLE;
  }
  const d3d9::GlProfile profile = d3d9::gl_profile();
  d3d9::request_gl_context(profile);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);  // depth lives in the off-screen back buffer
  SDL_GLContext context = SDL_GL_CreateContext(window->sdl);
  if (!context) {
    std::fprintf(stderr, "VORNEX: no %s context on this display: %s\n", d3d9::gl_profile_name(profile),
                 SDL_GetError());
    return D3DERR_NOTAVAILABLE;
  }

  auto* state = new D3d9DeviceState;
  state->window = window;
  state->context = context;
  win32::window_retain(window);
  SDL_GL_MakeCurrent(window->sdl, context);

  int w = static_cast<int>(params.BackBufferWidth);
  int h = static_cast<int>(params.BackBufferHeight);
  if (w == 0 || h == 0) win32::windowed_client_size(window, &w, &h);
  state->backBufferWidth = w > 0 ? w : 1;
  state->backBufferHeight = h > 0 ? h : 1;
  state->swapInterval = params.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
  SDL_GL_SetSwapInterval(state->swapInterval);
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(window->sdl);
  const bool known = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0;
  state->refreshPeriod = d3d9::refresh_period(known ? mode.refresh_rate : 0);

  glGenRenderbuffers(1, &state->colorBuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, state->colorBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, state->backBufferWidth, state->backBufferHeight);
  glGenRenderbuffers(1, &state->depthBuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, state->depthBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, state->backBufferWidth, state->backBufferHeight);
  glGenFramebuffers(1, &state->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, state->colorBuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, state->depthBuffer);
  bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

  std::string log;
  bool compiled = d3d9::build_program(kFixedFunctionVertex, kFixedFunctionFragment, "fixed-function pipeline",
                                      1, 1, &state->fixedFunction, &log);
  if (!complete || !compiled) {
    std::fprintf(stderr, "VORNEX: the OpenGL device cannot %s\n%s",
                 complete ? "build its shaders:" : "make its back buffer", log.c_str());
    state->destroy();
    delete state;
    return D3DERR_NOTAVAILABLE;
  }
  GLuint program = state->fixedFunction.name;
  state->ffWorldViewProjection = glGetUniformLocation(program, "ff_world_view_projection");
  state->ffTextured = glGetUniformLocation(program, "ff_textured");
  state->ffTexture = glGetUniformLocation(program, "ff_texture");
  glUseProgram(program);
  glUniform1i(state->ffTexture, 0);

  glGenVertexArrays(1, &state->vertexArray);
  glBindVertexArray(state->vertexArray);
  glGenSamplers(kStages, state->samplers);
  set_default_states(state);
  for (int stage = 0; stage < kStages; ++stage) {
    apply_sampler(state, stage);
    glBindSampler(static_cast<GLuint>(stage), state->samplers[stage]);
  }
  std::memcpy(state->appliedSamplerStates, state->samplerStates, sizeof state->samplerStates);
  glViewport(0, 0, state->backBufferWidth, state->backBufferHeight);

  auto* device = new IDirect3DDevice9;
  device->state = state;
  state->owner = device;
  *out = device;
  return D3D_OK;
}

void D3d9DeviceState::make_current() {
  if (context && window && window->sdl) SDL_GL_MakeCurrent(window->sdl, context);
}

void D3d9DeviceState::destroy() {
  make_current();
  for (auto& dependent : dependents) dependent.second(dependent.first);
  dependents.clear();
  for (D3d9BufferState* buffer : buffers) buffer->release_gl();
  for (D3d9TextureState* texture : textureStates) texture->release_gl();
  buffers.clear();
  textureStates.clear();
  d3d9::destroy_program(&fixedFunction);
  if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
  if (samplers[0]) glDeleteSamplers(kStages, samplers);
  if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
  if (colorBuffer) glDeleteRenderbuffers(1, &colorBuffer);
  if (depthBuffer) glDeleteRenderbuffers(1, &depthBuffer);
  if (context) {
    SDL_GL_MakeCurrent(window ? window->sdl : nullptr, nullptr);
    SDL_GL_DeleteContext(context);
  }
  context = nullptr;
  if (window) win32::window_release(window);
  window = nullptr;
}

IDirect3DDevice9::~IDirect3DDevice9() {
  if (state) {
    state->destroy();
    delete state;
  }
}

ULONG IDirect3DDevice9::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}

// ---- state ----

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (!known_render_state(State)) return D3DERR_INVALIDCALL;
  state->renderStates[State] = Value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  if (Sampler >= static_cast<DWORD>(D3d9DeviceState::kStages)) return D3DERR_INVALIDCALL;
  if (Type != D3DSAMP_ADDRESSU && Type != D3DSAMP_ADDRESSV && Type != D3DSAMP_MAGFILTER &&
      Type != D3DSAMP_MINFILTER && Type != D3DSAMP_MIPFILTER)
    return D3DERR_INVALIDCALL;
  if (state->samplerStates[Sampler][Type] == Value) return D3D_OK;
  state->samplerStates[Sampler][Type] = Value;  // sent to OpenGL by the next draw
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (!pMatrix) return D3DERR_INVALIDCALL;
  switch (State) {
    case D3DTS_WORLD: state->world = *pMatrix; return D3D_OK;
    case D3DTS_VIEW: state->view = *pMatrix; return D3D_OK;
    case D3DTS_PROJECTION: state->projection = *pMatrix; return D3D_OK;
    default: return D3DERR_INVALIDCALL;
  }
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (!pMatrix) return D3DERR_INVALIDCALL;
  switch (State) {
    case D3DTS_WORLD: *pMatrix = state->world; return D3D_OK;
    case D3DTS_VIEW: *pMatrix = state->view; return D3D_OK;
    case D3DTS_PROJECTION: *pMatrix = state->projection; return D3D_OK;
    default: return D3DERR_INVALIDCALL;
  }
}

// The device does not hold references to what is bound, as Direct3D's stages do not
// keep a released texture alive for the program; a released texture unbinds itself.
HRESULT IDirect3DDevice9::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  if (Stage >= static_cast<DWORD>(D3d9DeviceState::kStages)) return D3DERR_INVALIDCALL;
  state->textures[Stage] = pTexture;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                          UINT OffsetInBytes, UINT Stride) {
  if (StreamNumber != 0) return D3DERR_INVALIDCALL;
  state->stream = pStreamData;
  state->streamOffset = OffsetInBytes;
  state->streamStride = Stride;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD FVF) {
  const DWORD supported = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  if ((FVF & ~supported) != 0 || (FVF & D3DFVF_XYZ) == 0) return D3DERR_INVALIDCALL;
  state->fvf = FVF;
  return D3D_OK;
}

// ---- drawing ----

bool D3d9DeviceState::prepare_draw(GLuint vertex_buffer, DWORD layout, UINT offset, UINT stride) {
  if (!inScene || !context) return false;
  make_current();
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, backBufferWidth, backBufferHeight);

  // Vertex layout: position, then normal, diffuse colour and one texture pair as present.
  glBindVertexArray(vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer);
  uintptr_t at = offset;
  auto attribute = [&](GLuint slot, bool present, GLint size, GLenum type, GLboolean normalized, UINT bytes) {
    if (present) {
      glEnableVertexAttribArray(slot);
      glVertexAttribPointer(slot, size, type, normalized, static_cast<GLsizei>(stride),
                            reinterpret_cast<const void*>(at));
      at += bytes;
    } else {
      glDisableVertexAttribArray(slot);
    }
  };
  attribute(d3d9::kPositionSlot, true, 3, GL_FLOAT, GL_FALSE, 12);
  attribute(d3d9::kNormalSlot, (layout & D3DFVF_NORMAL) != 0, 3, GL_FLOAT, GL_FALSE, 12);
  attribute(d3d9::kColorSlot, (layout & D3DFVF_DIFFUSE) != 0, 4, GL_UNSIGNED_BYTE, GL_TRUE, 4);
  attribute(d3d9::kTexcoordSlot, (layout & D3DFVF_TEX1) != 0, 2, GL_FLOAT, GL_FALSE, 8);
  // Vertices without a colour are white; without texture coordinates, (0, 0).
  glVertexAttrib4f(d3d9::kColorSlot, 1.0f, 1.0f, 1.0f, 1.0f);
  glVertexAttrib4f(d3d9::kNormalSlot, 0.0f, 0.0f, 0.0f, 0.0f);
  glVertexAttrib2f(d3d9::kTexcoordSlot, 0.0f, 0.0f);

  // Render states.
  if (renderStates[D3DRS_ZENABLE] != D3DZB_FALSE) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(gl_compare(renderStates[D3DRS_ZFUNC]));
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(renderStates[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  if (renderStates[D3DRS_ALPHABLENDENABLE]) {
    glEnable(GL_BLEND);
    glBlendFunc(gl_blend(renderStates[D3DRS_SRCBLEND]), gl_blend(renderStates[D3DRS_DESTBLEND]));
  } else {
    glDisable(GL_BLEND);
  }
  // Direct3D culls by screen winding; the back buffer is not flipped, so the winding
  // seen in OpenGL's window space is the same. The face the cull mode keeps is the front
  // face (a pixel shader's VFACE is positive there); with culling off, Direct3D's own
  // front, the clockwise one.
  switch (renderStates[D3DRS_CULLMODE]) {
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_BACK);
      break;
    case D3DCULL_CCW:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CW);
      glCullFace(GL_BACK);
      break;
    default:
      glDisable(GL_CULL_FACE);
      glFrontFace(GL_CW);
      break;
  }

  apply_sampler_changes();

  // Textures of every stage on their units.
  for (int stage = 0; stage < kStages; ++stage) {
    glActiveTexture(GL_TEXTURE0 + stage);
    IDirect3DBaseTexture9* texture = textures[stage];
    glBindTexture(GL_TEXTURE_2D, texture && texture->state ? texture->state->name : 0);
  }
  glActiveTexture(GL_TEXTURE0);

  // The program: an effect pass, or the fixed-function emulation.
  const d3d9::ShaderProgram* program = override.program ? override.program : &fixedFunction;
  glUseProgram(program->name);
  if (program == &fixedFunction) {
    D3DMATRIX wvp = multiply(multiply(world, view), projection);
    glUniformMatrix4fv(ffWorldViewProjection, 1, GL_FALSE, &wvp._11);
    bool textured = textures[0] && textures[0]->state && textures[0]->state->name;
    glUniform1i(ffTextured, textured ? 1 : 0);
  }
  GLint func = renderStates[D3DRS_ALPHATESTENABLE] ? static_cast<GLint>(renderStates[D3DRS_ALPHAFUNC]) : 0;
  glUniform1i(program->alphaFunc, func);
  glUniform1i(program->alphaRef, static_cast<GLint>(renderStates[D3DRS_ALPHAREF] & 0xFF));
  if (program->targetHeight >= 0) glUniform1f(program->targetHeight, static_cast<GLfloat>(backBufferHeight));
  return true;
}

void D3d9DeviceState::apply_sampler_changes() {
  for (int stage = 0; stage < kStages; ++stage) {
    if (std::memcmp(appliedSamplerStates[stage], samplerStates[stage], sizeof samplerStates[stage]) == 0) continue;
    apply_sampler(this, stage);
    std::memcpy(appliedSamplerStates[stage], samplerStates[stage], sizeof samplerStates[stage]);
  }
}

void D3d9DeviceState::record(D3DPRIMITIVETYPE type, UINT start, UINT primitives, int subset) {
  if (!recorder) return;
  const bool indexed = subset >= 0;
  D3d9DrawRecord r{};
  r.subset = subset;
  r.type = type;
  r.startVertex = start;
  r.primitiveCount = primitives;
  r.indexed = indexed;
  r.world = override.program && override.hasWorld ? override.world : world;
  r.view = view;
  r.projection = projection;
  r.texture0 = textures[0];
  r.stream = indexed ? nullptr : stream;
  r.fvf = fvf;
  r.throughEffect = override.program != nullptr;
  r.program = override.program ? static_cast<const void*>(override.program) : &fixedFunction;
  recorder->push_back(r);
}

void D3d9DeviceState::record_clear(DWORD flags) {
  if (!recorder) return;
  D3d9DrawRecord r{};
  r.clearFlags = flags;
  recorder->push_back(r);
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
  UINT count = d3d9::vertex_count(PrimitiveType, PrimitiveCount);
  if (count == 0 || !state->stream || !state->stream->state || state->streamStride == 0)
    return D3DERR_INVALIDCALL;
  D3d9BufferState* buffer = state->stream->state;
  // Every vertex the draw reads must lie inside the buffer.
  unsigned long long last_byte = static_cast<unsigned long long>(state->streamOffset) +
                                 (static_cast<unsigned long long>(StartVertex) + count) * state->streamStride;
  if (last_byte > buffer->data.size() || buffer->locked) return D3DERR_INVALIDCALL;
  if (!state->prepare_draw(buffer->name, state->fvf, state->streamOffset, state->streamStride))
    return D3DERR_INVALIDCALL;
  state->record(PrimitiveType, StartVertex, PrimitiveCount, -1);
  glDrawArrays(d3d9::gl_primitive(PrimitiveType), static_cast<GLint>(StartVertex), static_cast<GLsizei>(count));
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                                DWORD) {
  if (Count > 0 && !pRects) return D3DERR_INVALIDCALL;
  if (Flags & D3DCLEAR_STENCIL) return D3DERR_INVALIDCALL;  // the back buffer has no stencil
  if (!state->context) return D3DERR_INVALIDCALL;
  state->make_current();
  glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
  GLbitfield mask = 0;
  if (Flags & D3DCLEAR_TARGET) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(((Color >> 16) & 0xFF) / 255.0f, ((Color >> 8) & 0xFF) / 255.0f, (Color & 0xFF) / 255.0f,
                 ((Color >> 24) & 0xFF) / 255.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (Flags & D3DCLEAR_ZBUFFER) {
    glDepthMask(GL_TRUE);  // Clear ignores the depth-write state, as in Direct3D
    glClearDepthf(Z);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (mask == 0) return D3DERR_INVALIDCALL;
  state->record_clear(Flags);
  if (Count == 0) {
    glDisable(GL_SCISSOR_TEST);
    glClear(mask);
    return D3D_OK;
  }
  // Rectangles are in back-buffer pixels, top left origin.
  glEnable(GL_SCISSOR_TEST);
  for (DWORD i = 0; i < Count; ++i) {
    const D3DRECT& r = pRects[i];
    if (r.x2 <= r.x1 || r.y2 <= r.y1) continue;
    glScissor(r.x1, state->backBufferHeight - r.y2, r.x2 - r.x1, r.y2 - r.y1);
    glClear(mask);
  }
  glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
  if (state->inScene) return D3DERR_INVALIDCALL;
  state->inScene = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
  if (!state->inScene) return D3DERR_INVALIDCALL;
  state->inScene = false;
  return D3D_OK;
}

namespace d3d9 {

RECT fitted_rect(int width, int height, int target_width, int target_height) {
  if (width <= 0 || height <= 0) return RECT{0, 0, target_width, target_height};
  // Whichever side limits the picture fills the target's side; the other keeps the shape.
  const long long w = width, h = height;
  LONG fit_w = target_width, fit_h = target_height;
  if (target_width * h > target_height * w)
    fit_w = static_cast<LONG>(target_height * w / h);
  else
    fit_h = static_cast<LONG>(target_width * h / w);
  const LONG left = (target_width - fit_w) / 2, bottom = (target_height - fit_h) / 2;
  return RECT{left, bottom, left + fit_w, bottom + fit_h};
}

}  // namespace d3d9

// Stretches the back buffer onto the window's current client area and waits for the
// retrace: a resized window keeps its back buffer, as on Windows. A full-screen window
// shows it as large as it fits with its own shape, centred, and black around it. With the default
// interval Present also returns no sooner than one display refresh after the previous
// one, where the swap does not wait (software rendering, vsync forced off): the game's
// speeds are per pass.
HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const void*) {
  if (!state->context || !state->window || state->window->destroyed || !state->window->sdl)
    return D3DERR_INVALIDCALL;
  state->make_current();
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(state->window->sdl, &w, &h);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, state->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glDisable(GL_SCISSOR_TEST);
  RECT to{0, 0, w, h};
  if (state->window->full_screen) {
    to = d3d9::fitted_rect(state->backBufferWidth, state->backBufferHeight, w, h);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);  // Clear sets it again before it is needed
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glBlitFramebuffer(0, 0, state->backBufferWidth, state->backBufferHeight, to.left, to.top, to.right,
                    to.bottom, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  SDL_GL_SwapWindow(state->window->sdl);
  glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
  if (state->swapInterval != 0) d3d9::hold_to_refresh(state);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT Length, DWORD, DWORD FVF, D3DPOOL Pool,
                                             IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) {
  if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = nullptr;
  if (Length == 0 || pSharedHandle || Pool == D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if (!state->context) return D3DERR_INVALIDCALL;
  IDirect3DVertexBuffer9* buffer = D3d9BufferState::create(state, Length, FVF);
  if (!buffer) return D3DERR_OUTOFVIDEOMEMORY;
  *ppVertexBuffer = buffer;
  return D3D_OK;
}
