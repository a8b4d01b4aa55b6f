// The text form of the DirectX .X mesh format ("xof 0303txt 0032"), read into plain data with no
// device involved: the D3DX mesh loader builds its mesh from the result.
//
// What is read:
// - Mesh: positions and faces; a face of n >= 3 indices becomes the fan (0,1,2), (0,2,3), ...
//   of n - 2 triangles, each carrying the face's material id.
// - MeshNormals: normals are given per face corner, while the result is indexed per vertex. A
//   vertex takes the normal its first corner names; a corner that names another normal for the
//   same vertex gets a copy of that vertex (same position and texture coordinates) with that
//   normal, shared by every corner with the same vertex and normal. Meshes whose normals are
//   already per vertex therefore keep their vertex count and order.
// - MeshTextureCoords: one (u, v) per vertex.
// - MeshMaterialList: one material id per face (or a single id for every face), then exactly
//   nMaterials Material objects, inline or as references {Name} to named top-level Materials.
//   A mesh without a material list gets one default material (white, no texture), so every
//   triangle's id always names an entry of `materials`.
// - Frame (nested) with FrameTransformMatrix: the hierarchy is flattened. Positions are
//   transformed by each enclosing frame's matrix, innermost first (row vectors: p * child *
//   parent); normals by the inverse transpose, then renormalised. References to meshes from
//   inside a frame are not followed.
// - Several meshes: merged into one in file order. Indices are offset by the vertices before
//   them, material ids by the materials before them, so each mesh's materials stay its own
//   subsets.
// - Templates, comments (// and #), and objects of any other type are skipped.
// Separators (';' and ',') are accepted anywhere between values, single or repeated; counts,
// indices and nesting are checked strictly, and any fault fails with a message naming the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct XVertex {
  float x, y, z;     // position
  float nx, ny, nz;  // normal; zero when the mesh has no normals
  float u, v;        // texture coordinates; zero when the mesh has none
};

struct XColor {
  float r, g, b, a;
};

struct XMaterial {
  XColor diffuse{1.0f, 1.0f, 1.0f, 1.0f};  // faceColor
  float power = 0.0f;
  XColor specular{0.0f, 0.0f, 0.0f, 1.0f};  // alpha always 1 (the file gives RGB)
  XColor emissive{0.0f, 0.0f, 0.0f, 1.0f};  // alpha always 1 (the file gives RGB)
  std::string textureFile;                  // as written in TextureFilename; empty when none
};

struct XMeshData {
  std::vector<XVertex> vertices;
  std::vector<uint32_t> indices;         // triangle list, 3 per triangle, winding as in the file
  std::vector<uint32_t> faceAttributes;  // one material id per triangle, each < materials.size()
  std::vector<XMaterial> materials;
  bool hasNormals = false;    // some mesh of the file had MeshNormals
  bool hasTexCoords = false;  // some mesh of the file had MeshTextureCoords
};

// Limits that keep hostile files from exhausting the stack or memory.
constexpr int kXMaxNesting = 32;                    // nested Frames
constexpr size_t kXMaxMaterials = 65536;            // materials in one file
constexpr size_t kXMaxTextureNameLength = 260;      // MAX_PATH
constexpr size_t kXMaxFileSize = size_t{64} << 20;  // for load_x_file

// Parses the text of a whole .X file. On success fills *out and returns true; on failure returns
// false, leaves *out unchanged and, when error is not null, sets it to "line N: what is wrong".
bool parse_x_text(const char* data, size_t size, XMeshData* out, std::string* error);

// Reads the file at path and parses it; error messages start with the path.
bool load_x_file(const char* path, XMeshData* out, std::string* error);
