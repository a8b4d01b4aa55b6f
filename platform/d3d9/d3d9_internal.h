// The OpenGL side of the Direct3D 9 objects, shared by platform/d3d9 and platform/d3dx9.
#ifndef VORNEX_PLATFORM_D3D9_INTERNAL_H
#define VORNEX_PLATFORM_D3D9_INTERNAL_H

#include <d3d9.h>

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "d3d9_inspect.h"
#include "shader_program.h"

struct D3d9BufferState {
  D3d9DeviceState* device = nullptr;  // null once the device is gone
  std::vector<std::uint8_t> data;     // the contents, kept for Lock
  GLuint name = 0;
  DWORD fvf = 0;
  bool locked = false;
  UINT lockBegin = 0;
  UINT lockEnd = 0;

  // What OpenGL binds the buffer to: vertices, or (for a mesh's indices) the element array.
  // A buffer is only ever bound to one of them, as WebGL requires.
  GLenum target = GL_ARRAY_BUFFER;

  static IDirect3DVertexBuffer9* create(D3d9DeviceState* device, UINT length, DWORD fvf,
                                        GLenum target = GL_ARRAY_BUFFER);
  void release_gl();
};

struct D3d9TextureState {
  D3d9DeviceState* device = nullptr;  // null once the device is gone
  GLuint name = 0;
  int width = 0;
  int height = 0;

  // A texture from RGBA8 pixels, rows top first (v = 0 is the top row).
  static IDirect3DTexture9* create_rgba(IDirect3DDevice9* device, int width, int height,
                                        const std::uint8_t* rgba);
  void release_gl();
};

// What an active effect pass puts in place of the fixed-function pipeline.
struct D3d9ProgramOverride {
  const d3d9::ShaderProgram* program = nullptr;
  // The effect's "World" matrix as the pass uses it, for the draw recorder.
  bool hasWorld = false;
  D3DMATRIX world{};
};

struct D3d9DeviceState {
  IDirect3DDevice9* owner = nullptr;
  HWND window = nullptr;
  SDL_GLContext context = nullptr;
  GLuint framebuffer = 0;
  GLuint colorBuffer = 0;
  GLuint depthBuffer = 0;
  int backBufferWidth = 0;
  int backBufferHeight = 0;
  int swapInterval = 1;
  // Present's hold to the display's refresh (present_pacing.h): one period of the
  // display the window was on at creation, and when the last Present returned.
  std::chrono::nanoseconds refreshPeriod{0};
  std::chrono::steady_clock::time_point lastPresent{};
  bool presented = false;
  bool inScene = false;

  DWORD renderStates[256] = {};
  static const int kStages = 8;
  DWORD samplerStates[kStages][16] = {};
  // The sampler states as last sent to OpenGL. Sampler states reach OpenGL only when a
  // draw needs them: an effect's Begin and End set and restore them around every
  // object, and sending each change at once made every draw revalidate its samplers.
  DWORD appliedSamplerStates[kStages][16] = {};
  GLuint samplers[kStages] = {};
  D3DMATRIX world{};
  D3DMATRIX view{};
  D3DMATRIX projection{};
  IDirect3DBaseTexture9* textures[kStages] = {};
  IDirect3DVertexBuffer9* stream = nullptr;
  UINT streamOffset = 0;
  UINT streamStride = 0;
  DWORD fvf = 0;

  GLuint vertexArray = 0;
  d3d9::ShaderProgram fixedFunction;
  GLint ffWorldViewProjection = -1;
  GLint ffTextured = -1;
  GLint ffTexture = -1;
  D3d9ProgramOverride override;

  std::set<D3d9BufferState*> buffers;
  std::set<D3d9TextureState*> textureStates;
  // D3DX objects holding OpenGL objects of this device (fonts), each with the function
  // destroy() calls on it, context current, to free them and forget the device. An
  // object released first removes itself; the function must not touch this map.
  std::map<void*, void (*)(void*)> dependents;
  std::vector<D3d9DrawRecord>* recorder = nullptr;

  // Opens the OpenGL context and the back buffer on `window`.
  static HRESULT create(HWND window, const D3DPRESENT_PARAMETERS& params, IDirect3DDevice9** out);
  // Releases every OpenGL object, orphaning the resources still alive, and the context.
  void destroy();
  void make_current();

  // Applies every state a draw depends on, binds `vertex_buffer` with the vertex
  // layout `fvf` and `stride`, and reports whether drawing may go ahead.
  bool prepare_draw(GLuint vertex_buffer, DWORD fvf, UINT offset, UINT stride);
  // Sends the sampler states that changed since the last draw to OpenGL.
  void apply_sampler_changes();
  void record(D3DPRIMITIVETYPE type, UINT start, UINT primitives, int subset);
  void record_clear(DWORD flags);
};

namespace d3d9 {
// Vertices a primitive count takes for a primitive type; 0 for an unknown type.
UINT vertex_count(D3DPRIMITIVETYPE type, UINT primitives);
GLenum gl_primitive(D3DPRIMITIVETYPE type);
// Waits out the rest of one refresh period since the previous Present (present_pacing.h)
// and stamps this one.
void hold_to_refresh(D3d9DeviceState* state);
// The largest rectangle of a width x height picture's shape that fits a target of
// target_width x target_height, centred in it (GL's window coordinates; the rounding puts
// any odd pixel of the bars on the right and top).
RECT fitted_rect(int width, int height, int target_width, int target_height);
}  // namespace d3d9

#endif  // VORNEX_PLATFORM_D3D9_INTERNAL_H
