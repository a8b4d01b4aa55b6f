#include "floor_assets.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "d3dx9/image_decode.h"
#include "d3dx9/xfile_parser.h"
#include "floor_programs.h"

namespace {

// A vertex layout of the game on the current VAO: position, then the parts present.
void describe(GLsizei stride, bool normal, bool color) {
  uintptr_t at = 0;
  glEnableVertexAttribArray(kFloorPosition);
  glVertexAttribPointer(kFloorPosition, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(at));
  at += 12;
  if (normal) {
    glEnableVertexAttribArray(kFloorNormal);
    glVertexAttribPointer(kFloorNormal, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(at));
    at += 12;
  }
  if (color) {
    glEnableVertexAttribArray(kFloorColor);
    glVertexAttribPointer(kFloorColor, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<void*>(at));
    at += 4;
  }
  glEnableVertexAttribArray(kFloorTexcoord);
  glVertexAttribPointer(kFloorTexcoord, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(at));
}

}  // namespace

FloorGeometry upload_flex(const void* data, GLsizei count) {
  FloorGeometry g;
  g.count = count;
  glGenVertexArrays(1, &g.vao);
  glBindVertexArray(g.vao);
  glGenBuffers(1, &g.buffer);
  glBindBuffer(GL_ARRAY_BUFFER, g.buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * 24, data, GL_STATIC_DRAW);
  describe(24, false, true);
  return g;
}

// The mesh as the D3DX loader makes it: triangles sorted by material id, one run each.
bool upload_mesh(const char* file, FloorMesh* mesh, std::string* error) {
  XMeshData data;
  if (!load_x_file(file, &data, error)) return false;
  std::vector<size_t> order(data.faceAttributes.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return data.faceAttributes[a] < data.faceAttributes[b]; });
  std::vector<uint32_t> indices;
  for (size_t t : order) {
    auto& run = mesh->subsets[data.faceAttributes[t]];
    if (run.second == 0) run.first = static_cast<GLsizei>(indices.size());
    run.second += 3;
    for (int k = 0; k < 3; ++k) indices.push_back(data.indices[t * 3 + k]);
  }
  glGenVertexArrays(1, &mesh->vao);
  glBindVertexArray(mesh->vao);
  glGenBuffers(1, &mesh->vertices);
  glBindBuffer(GL_ARRAY_BUFFER, mesh->vertices);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.vertices.size() * sizeof(XVertex)),
               data.vertices.data(), GL_STATIC_DRAW);
  describe(sizeof(XVertex), true, false);
  glGenBuffers(1, &mesh->indices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh->indices);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 4), indices.data(),
               GL_STATIC_DRAW);
  return true;
}

bool upload_texture(const char* file, bool clamp, GLuint* name, std::string* error) {
  DecodedImage image;
  if (!decode_image_file(file, &image, error)) return false;
  glGenTextures(1, name);
  glBindTexture(GL_TEXTURE_2D, *name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               image.rgba.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  const GLint wrap = clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  return true;
}

void delete_mesh(FloorMesh* mesh) {
  glDeleteVertexArrays(1, &mesh->vao);
  glDeleteBuffers(1, &mesh->vertices);
  glDeleteBuffers(1, &mesh->indices);
  *mesh = FloorMesh{};
}

void delete_geometry(FloorGeometry* geometry) {
  glDeleteVertexArrays(1, &geometry->vao);
  glDeleteBuffers(1, &geometry->buffer);
  *geometry = FloorGeometry{};
}
