// The bare-GL floor's geometry and textures in OpenGL objects of its own, made from the
// game's data files and buffers the way the game's loaders and device lay them out.
#ifndef VORNEX_TOOLS_BENCH_FLOOR_ASSETS_H
#define VORNEX_TOOLS_BENCH_FLOOR_ASSETS_H

#include <d3d9.h>
#include <epoxy/gl.h>

#include <map>
#include <string>
#include <utility>

// A mesh whose triangles are sorted by material id, as the D3DX loader sorts them, each
// subset one run of indices.
struct FloorMesh {
  GLuint vao = 0, vertices = 0, indices = 0;
  std::map<DWORD, std::pair<GLsizei, GLsizei>> subsets;  // attribute: first index, index count
};

// Vertices in the game's 24-byte layout (position, diffuse colour, texture pair).
struct FloorGeometry {
  GLuint vao = 0, buffer = 0;
  GLsizei count = 0;
};

FloorGeometry upload_flex(const void* vertices, GLsizei count);
bool upload_mesh(const char* file, FloorMesh* mesh, std::string* error);
// Linear filtering, as the game's stages and effects set it; wrapping unless `clamp`.
bool upload_texture(const char* file, bool clamp, GLuint* name, std::string* error);

void delete_mesh(FloorMesh* mesh);
void delete_geometry(FloorGeometry* geometry);

#endif  // VORNEX_TOOLS_BENCH_FLOOR_ASSETS_H
