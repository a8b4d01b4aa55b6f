// A small software rasteriser for looking at the generated meshes: draws one subset of a loaded
// .X mesh, textured with its skin and lit from above, into an RGBA picture with a depth buffer.
// The tests use its coverage to check what a pose shows, and can save the pictures to look at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "d3dx9/image_decode.h"
#include "d3dx9/xfile_parser.h"

struct RasterView {
  float eye[3] = {0, 0, 0};
  float target[3] = {0, 0, 1};
  float fovY = 0.7853982f;       // perspective (radians), as the game's projection
  float orthoHalfHeight = 0.0f;  // > 0 for an orthographic view of this half height instead
  float nearZ = 0.1f;            // the game's near plane
};

struct RasterPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;     // top row first
  std::vector<float> depth;      // view-space z of the nearest surface
  std::vector<uint8_t> covered;  // 1 where any drawn surface is visible

  RasterPicture(int w, int h, uint32_t background);
  int coverage() const;  // covered pixels
};

// Draws the triangles of `subset`, each vertex moved by `offset` (the world translation), seen from
// the view. Triangles with a vertex in front of the near plane are left out, as clipping would
// cut them. With a skin, texels of alpha below 8 are discarded (the game's alpha test) and others
// blended by their alpha.
void draw_subset(RasterPicture& picture, const XMeshData& mesh, uint32_t subset, const RasterView& view,
                 const DecodedImage* skin, const float offset[3]);

// Places pictures side by side in rows of `columns` and writes them as a PNG.
bool save_sheet(const std::string& path, const std::vector<RasterPicture>& pictures, int columns);
