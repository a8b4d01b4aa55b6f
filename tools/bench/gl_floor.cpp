#include "gl_floor.h"

#include <SDL.h>
#include <d3dx9.h>

#include <map>
#include <vector>

#include "assets/manifest.h"
#include "floor_assets.h"
#include "floor_programs.h"
#include "gfx/device.h"
#include "gfx/vertex.h"
#include "math/camera.h"
#include "play/fire_control.h"
#include "play/play_frame.h"
#include "world/world.h"

struct GlFloor {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  GLuint framebuffer = 0, colorBuffer = 0, depthBuffer = 0;
  FloorProgram terrain, plasma, particle, textured;
  FloorGeometry ground, quad, sky;
  std::map<const void*, FloorMesh> meshes;  // by the game's mesh handle
  std::map<const void*, GLuint> textures;   // by the game's texture handle
};

namespace {

const int kSize = 400;

// A vertex buffer's contents, read through Lock as the game could.
std::vector<FlexVertex> buffer_vertices(IDirect3DVertexBuffer9* buffer, int count) {
  void* data = nullptr;
  std::vector<FlexVertex> out;
  if (!buffer || FAILED(buffer->Lock(0, 0, &data, 0))) return out;
  const auto* v = static_cast<const FlexVertex*>(data);
  out.assign(v, v + count);
  buffer->Unlock();
  return out;
}

// Every mesh and texture of the manifest, keyed by the game's handle for it. The particle
// sprite clamps (its effect says so); every other texture wraps.
bool upload_assets(GlFloor* f, std::string* error) {
  for (int i = 0; i < g_asset_count; ++i) {
    const AssetRecord& record = g_assets[i];
    if (!record.handle) continue;
    if (record.kind == kAssetMesh && !upload_mesh(record.file, &f->meshes[record.handle], error))
      return false;
    if (record.kind == kAssetTexture && !upload_texture(record.file, std::string(record.key) == "BLURPART",
                                                        &f->textures[record.handle], error))
      return false;
  }
  return true;
}

bool open_context(GlFloor* f, std::string* error) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  f->window = SDL_CreateWindow("VORNEX floor", 0, 0, kSize, kSize, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (f->window) f->context = SDL_GL_CreateContext(f->window);
  if (!f->context) {
    *error = std::string("no OpenGL context for the floor: ") + SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(f->window, f->context);
  SDL_GL_SetSwapInterval(1);
  glGenRenderbuffers(1, &f->colorBuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, f->colorBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSize, kSize);
  glGenRenderbuffers(1, &f->depthBuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, f->depthBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, kSize, kSize);
  glGenFramebuffers(1, &f->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, f->framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, f->colorBuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, f->depthBuffer);
  // Attributes a layout leaves out read as the device feeds them: white, no normal.
  glVertexAttrib4f(kFloorColor, 1.0f, 1.0f, 1.0f, 1.0f);
  glVertexAttrib4f(kFloorNormal, 0.0f, 0.0f, 0.0f, 0.0f);
  return true;
}

// ---- drawing ----

void set_matrix(GLint location, const D3DXMATRIX& m) { glUniformMatrix4fv(location, 1, GL_FALSE, &m._11); }

D3DXMATRIX product(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX r;
  D3DXMatrixMultiply(&r, &a, &b);
  return r;
}

D3DXMATRIX translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// The play frame's own states: blending over, alpha test (in the programs), no culling.
void blend_over() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_TRUE);
  glDisable(GL_CULL_FACE);
}

// The plasma and particle passes: added light, no depth writes; the plasma culls.
void blend_add(bool cull) {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDepthMask(GL_FALSE);
  if (cull) {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
}

void use(const FloorProgram& program, const D3DXMATRIX& view, const D3DXMATRIX& projection) {
  glUseProgram(program.name);
  set_matrix(program.view, view);
  set_matrix(program.projection, projection);
}

void bind_texture(GlFloor* f, int unit, const void* handle) {
  auto it = f->textures.find(handle);
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, it == f->textures.end() ? 0 : it->second);
  glActiveTexture(GL_TEXTURE0);
}

void draw_mesh(GlFloor* f, const void* handle, DWORD subset) {
  auto mesh = f->meshes.find(handle);
  if (mesh == f->meshes.end()) return;
  auto run = mesh->second.subsets.find(subset);
  if (run == mesh->second.subsets.end()) return;
  glBindVertexArray(mesh->second.vao);
  glDrawElements(GL_TRIANGLES, run->second.second, GL_UNSIGNED_INT,
                 reinterpret_cast<void*>(static_cast<uintptr_t>(run->second.first) * 4));
}

void draw_sky(GlFloor* f, const D3DXMATRIX& projection) {
  D3DXVECTOR3 origin(0, 0, 0), up(0, 1, 0);
  D3DXVECTOR3 look(g_camera.eye.x - g_camera.lookAt.x, -(g_camera.eye.y - g_camera.lookAt.y),
                   g_camera.eye.z - g_camera.lookAt.z);
  D3DXMATRIX skyView;
  D3DXMatrixLookAtLH(&skyView, &origin, &look, &up);
  glUseProgram(f->textured.name);
  set_matrix(f->textured.world, product(skyView, projection));
  bind_texture(f, 0, find_texture("SKY"));
  glBindVertexArray(f->sky.vao);
  for (int face = 0; face < 6; ++face) glDrawArrays(GL_TRIANGLE_STRIP, face * 4, 4);
  glClear(GL_DEPTH_BUFFER_BIT);
}

void draw_ground(GlFloor* f, const D3DXMATRIX& view, const D3DXMATRIX& projection) {
  use(f->terrain, view, projection);
  bind_texture(f, 0, find_texture("PLASMA1"));
  glBindVertexArray(f->ground.vao);
  const float bx = tile_origin(g_camera.eye.x), bz = tile_origin(g_camera.eye.z);
  const float tiles[4][2] = {{0, 0}, {0, 32}, {32, 0}, {32, 32}};
  for (const auto& tile : tiles) {
    set_matrix(f->terrain.world, translation(bx + tile[0], 0.0f, bz + tile[1]));
    glDrawArrays(GL_TRIANGLES, 0, f->ground.count);
  }
}

void draw_entities(GlFloor* f, const World& world, const D3DXMATRIX& view, const D3DXMATRIX& projection) {
  const FloorProgram* current = nullptr;
  for (int i = 0; i < kEntityCount; ++i) {
    const Entity& entity = world.entities[i];
    if (!entity.active || !entity.model || !entity.model->frame) continue;
    const bool bolt = i < kFirstBolt + kBoltCount;
    const FloorProgram* program = bolt ? &f->plasma : &f->terrain;
    if (program != current) {
      current = program;
      use(*program, view, projection);
      if (bolt) {
        blend_add(true);
        glUniform1f(program->timeOffset, world.elapsed / 10);
        glUniform4f(program->plasmaColor, 0.0f, 0.0f, 1.0f, 1.0f);
        bind_texture(f, 0, find_texture("PLASMA1"));
        bind_texture(f, 1, find_texture("PLASMA2"));
      } else {
        blend_over();
      }
    }
    if (entity.model->texture) bind_texture(f, 0, entity.model->texture);
    D3DXMATRIX scale, rotation;
    D3DXMatrixScaling(&scale, entity.scale.x, entity.scale.y, entity.scale.z);
    D3DXMatrixRotationYawPitchRoll(&rotation, entity.rotation.yaw, entity.rotation.pitch,
                                   entity.rotation.roll);
    const D3DXMATRIX place = translation(entity.position.x, entity.position.y, entity.position.z);
    set_matrix(program->world, product(product(scale, rotation), place));
    draw_mesh(f, entity.model->frame->mesh, static_cast<DWORD>(entity.model->frame->subset));
  }
}

void draw_particles(GlFloor* f, const World& world, const D3DXMATRIX& view, const D3DXMATRIX& projection) {
  use(f->particle, view, projection);
  blend_add(false);
  bind_texture(f, 0, find_texture("BLURPART"));
  glBindVertexArray(f->quad.vao);
  for (const Particle& particle : world.particles) {
    if (!particle.active) continue;
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, particle.scale.x, particle.scale.y, particle.scale.z);
    set_matrix(f->particle.world,
               product(scale, translation(particle.position.x, particle.position.y, particle.position.z)));
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }
}

void draw_arms(GlFloor* f, const D3DXMATRIX& projection) {
  blend_over();
  glUseProgram(f->textured.name);
  set_matrix(f->textured.world, product(translation(0.0f, -0.06f, 0.11f), projection));
  bind_texture(f, 0, find_texture("ARMS"));
  draw_mesh(f, find_mesh("ARMS"), static_cast<DWORD>(g_arm_phase));
}

}  // namespace

GlFloor* create_floor(World& world, std::string* error) {
  // Read through the game's device first: its Unlock makes the game's context current.
  const std::vector<FlexVertex> quad = buffer_vertices(world.quadBuffer, 4);
  const std::vector<FlexVertex> sky = buffer_vertices(world.skyBuffer, 24);
  if (quad.size() != 4 || sky.size() != 24) {
    *error = "the World has no particle quad or sky cube";
    return nullptr;
  }
  auto* f = new GlFloor;
  bool ok = open_context(f, error) && build_effect_program("ShdTerrain.fx", &f->terrain, error) &&
            build_effect_program("ShdPlasma.fx", &f->plasma, error) &&
            build_effect_program("ShdPartical.fx", &f->particle, error) &&
            build_textured_program(&f->textured, error) && upload_assets(f, error);
  if (!ok) {
    destroy_floor(f);
    return nullptr;
  }
  f->ground = upload_flex(world.terrain.vertices.data(), static_cast<GLsizei>(world.terrain.vertexCount));
  f->quad = upload_flex(quad.data(), 4);
  f->sky = upload_flex(sky.data(), 24);
  return f;
}

void draw_floor_frame(GlFloor* f, const World& world) {
  SDL_GL_MakeCurrent(f->window, f->context);
  glBindFramebuffer(GL_FRAMEBUFFER, f->framebuffer);
  glViewport(0, 0, kSize, kSize);
  const float g = static_cast<float>(static_cast<int>(world.elapsed * 128) & 0xFF) / 255.0f;
  glClearColor(g, g, g, 1.0f);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  blend_over();

  D3DXMATRIX projection;
  build_projection(&projection);
  draw_sky(f, projection);
  draw_ground(f, g_view, projection);
  draw_entities(f, world, g_view, projection);
  draw_particles(f, world, g_view, projection);
  draw_arms(f, projection);

  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(f->window, &w, &h);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, f->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glBlitFramebuffer(0, 0, kSize, kSize, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  SDL_GL_SwapWindow(f->window);
  glFinish();
}

void read_floor_pixels(GlFloor* f, int* width, int* height, std::vector<DWORD>* pixels) {
  SDL_GL_MakeCurrent(f->window, f->context);
  glBindFramebuffer(GL_FRAMEBUFFER, f->framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<unsigned char> rgba(static_cast<size_t>(kSize) * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  pixels->assign(static_cast<size_t>(kSize) * kSize, 0);
  for (int y = 0; y < kSize; ++y) {
    const unsigned char* row =
        rgba.data() + static_cast<size_t>(kSize - 1 - y) * kSize * 4;  // GL: bottom first
    for (int x = 0; x < kSize; ++x) {
      const unsigned char* p = row + x * 4;
      (*pixels)[static_cast<size_t>(y) * kSize + x] =
          (DWORD(p[3]) << 24) | (DWORD(p[0]) << 16) | (DWORD(p[1]) << 8) | p[2];
    }
  }
  *width = kSize;
  *height = kSize;
}

void destroy_floor(GlFloor* f) {
  if (!f) return;
  if (f->context) {
    SDL_GL_MakeCurrent(f->window, f->context);
    for (auto& mesh : f->meshes) delete_mesh(&mesh.second);
    for (auto& texture : f->textures) glDeleteTextures(1, &texture.second);
    for (FloorGeometry* g : {&f->ground, &f->quad, &f->sky}) delete_geometry(g);
    for (FloorProgram* p : {&f->terrain, &f->plasma, &f->particle, &f->textured}) glDeleteProgram(p->name);
    glDeleteFramebuffers(1, &f->framebuffer);
    glDeleteRenderbuffers(1, &f->colorBuffer);
    glDeleteRenderbuffers(1, &f->depthBuffer);
    SDL_GL_MakeCurrent(f->window, nullptr);
    SDL_GL_DeleteContext(f->context);
  }
  if (f->window) SDL_DestroyWindow(f->window);
  delete f;
}
