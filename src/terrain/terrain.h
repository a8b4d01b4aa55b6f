// The ground: one square tile of height field that repeats endlessly. It is generated
// from random cone-shaped hills on a torus plus a little noise per point, sampled with
// bilinear interpolation anywhere on the endless plane, and drawn from a static
// triangle list.
#ifndef VORNEX_TERRAIN_TERRAIN_H
#define VORNEX_TERRAIN_TERRAIN_H

#include <windows.h>

#include <d3d9.h>

#include <vector>

// One vertex of every vertex buffer of the game: position, diffuse colour, one
// texture coordinate pair.
struct TerrainVertex {
  float x;
  float y;
  float z;
  DWORD colour;  // 0xAARRGGBB
  float u;
  float v;
};

static_assert(sizeof(TerrainVertex) == 24, "TerrainVertex must match the 24-byte device layout");

const DWORD kTerrainFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x142

// Column c lies at world x = c/4 and row r at world z = r/4. A height h describes the
// ground at world y = -h. The last column and row repeat the first, so the tile
// repeats every columns - 1 grid units in x and rows - 1 in z.
class Terrain {
 public:
  Terrain() = default;
  ~Terrain();
  Terrain(const Terrain&) = delete;
  Terrain& operator=(const Terrain&) = delete;

  // Builds the heights and the triangle list for a W x H grid (columns first) from the
  // game's random stream, then uploads the triangles. True when the vertex buffer was
  // created and filled. Without a device (or when it fails) the heights are still
  // valid: the terrain can be sampled but draws nothing. Sizes below 2 x 2 make
  // nothing and return false.
  bool generate(int W, int H);

  // Fills one vertex for grid point (c, r); its colour takes three random draws.
  void build_vertex(int c, int r, TerrainVertex* out) const;

  // Creates the device's vertex buffer on g_pd3d_render and copies the vertices in.
  // Replaces any buffer made before. False, with no buffer kept, when there is no
  // device or creating or locking the buffer fails.
  bool upload();

  // The interpolated height at grid coordinates (x, z) (world coordinates times 4),
  // anywhere on the repeating plane. 0 before a successful generation.
  float terrain_height(float x, float z) const;

  // Submits the whole triangle list; the caller sets the transforms, texture and
  // states. Draws nothing when there is no vertex buffer.
  void draw_terrain() const;

  // W x H samples, row-major: (column c, row r) at r * W + c.
  std::vector<float> heights;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  int vertexCount = 0;  // W * H * 6
  // Six per cell in a W x H cell layout; the slots of the last column and row are
  // left zero and draw nothing.
  std::vector<TerrainVertex> vertices;
  int rows = 0;
  int columns = 0;

 private:
  void release_buffer();
};

#endif  // VORNEX_TERRAIN_TERRAIN_H
