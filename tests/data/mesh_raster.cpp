#include "mesh_raster.h"

#include <algorithm>
#include <cmath>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

struct V3 {
  float x, y, z;
};
V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 a) {
  const float l = std::sqrt(dot(a, a));
  return l > 0 ? V3{a.x / l, a.y / l, a.z / l} : a;
}

struct Screen {
  float x, y, z;  // pixels and view-space depth
};

void sample(const DecodedImage& img, float u, float v, float out[4]) {
  const float x = u * img.width - 0.5f, y = v * img.height - 0.5f;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const float fx = x - x0, fy = y - y0;
  for (int c = 0; c < 4; ++c) out[c] = 0;
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      const int px = std::clamp(x0 + i, 0, img.width - 1), py = std::clamp(y0 + j, 0, img.height - 1);
      const float w = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
      for (int c = 0; c < 4; ++c)
        out[c] += w * img.rgba[(static_cast<size_t>(py) * img.width + px) * 4 + c] / 255.0f;
    }
}

}  // namespace

RasterPicture::RasterPicture(int w, int h, uint32_t background)
    : width(w),
      height(h),
      rgba(static_cast<size_t>(w) * h * 4),
      depth(static_cast<size_t>(w) * h, 1e30f),
      covered(static_cast<size_t>(w) * h, 0) {
  for (size_t i = 0; i < depth.size(); ++i) {
    rgba[4 * i + 0] = (background >> 16) & 0xFF;
    rgba[4 * i + 1] = (background >> 8) & 0xFF;
    rgba[4 * i + 2] = background & 0xFF;
    rgba[4 * i + 3] = 255;
  }
}

int RasterPicture::coverage() const {
  int n = 0;
  for (uint8_t c : covered) n += c;
  return n;
}

void draw_subset(RasterPicture& pic, const XMeshData& mesh, uint32_t subset, const RasterView& view,
                 const DecodedImage* skin, const float offset[3]) {
  const V3 eye{view.eye[0], view.eye[1], view.eye[2]};
  const V3 zAxis = unit(sub(V3{view.target[0], view.target[1], view.target[2]}, eye));
  const V3 xAxis = unit(cross(V3{0, 1, 0}, zAxis));
  const V3 yAxis = cross(zAxis, xAxis);
  const V3 light = unit(V3{-0.3f, 0.8f, -0.5f});
  const float aspect = static_cast<float>(pic.width) / pic.height;
  const float focal = 1.0f / std::tan(view.fovY / 2);
  const bool ortho = view.orthoHalfHeight > 0;

  for (size_t t = 0; t < mesh.faceAttributes.size(); ++t) {
    if (mesh.faceAttributes[t] != subset) continue;
    const XVertex* v[3];
    Screen s[3];
    V3 world[3];
    bool visible = true;
    for (int k = 0; k < 3; ++k) {
      v[k] = &mesh.vertices[mesh.indices[3 * t + k]];
      world[k] = {v[k]->x + offset[0], v[k]->y + offset[1], v[k]->z + offset[2]};
      const V3 rel = sub(world[k], eye);
      const float xv = dot(rel, xAxis), yv = dot(rel, yAxis), zv = dot(rel, zAxis);
      if (!ortho && zv < view.nearZ) visible = false;
      const float nx = ortho ? xv / (view.orthoHalfHeight * aspect) : xv * focal / (zv * aspect);
      const float ny = ortho ? yv / view.orthoHalfHeight : yv * focal / zv;
      s[k] = {(nx + 1) * pic.width / 2, (1 - ny) * pic.height / 2, zv};
    }
    if (!visible) continue;
    const float area = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
    if (std::fabs(area) < 1e-9f) continue;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({s[0].x, s[1].x, s[2].x}))));
    const int x1 = std::min(pic.width - 1, static_cast<int>(std::ceil(std::max({s[0].x, s[1].x, s[2].x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({s[0].y, s[1].y, s[2].y}))));
    const int y1 = std::min(pic.height - 1, static_cast<int>(std::ceil(std::max({s[0].y, s[1].y, s[2].y}))));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const float px = x + 0.5f, py = y + 0.5f;
        float b[3];
        for (int k = 0; k < 3; ++k) {
          const Screen& a = s[(k + 1) % 3];
          const Screen& c = s[(k + 2) % 3];
          b[k] = ((c.x - a.x) * (py - a.y) - (px - a.x) * (c.y - a.y)) / area;
        }
        if (b[0] < 0 || b[1] < 0 || b[2] < 0) continue;
        // Perspective-correct weights.
        float w[3], sum = 0;
        for (int k = 0; k < 3; ++k) {
          w[k] = ortho ? b[k] : b[k] / s[k].z;
          sum += w[k];
        }
        for (float& wk : w) wk /= sum;
        const float z = w[0] * s[0].z + w[1] * s[1].z + w[2] * s[2].z;
        const size_t i = static_cast<size_t>(y) * pic.width + x;
        if (z >= pic.depth[i]) continue;
        float colour[4] = {0.8f, 0.8f, 0.8f, 1.0f};
        if (skin) {
          const float u = w[0] * v[0]->u + w[1] * v[1]->u + w[2] * v[2]->u;
          const float vv = w[0] * v[0]->v + w[1] * v[1]->v + w[2] * v[2]->v;
          sample(*skin, u, vv, colour);
          if (colour[3] < 8.0f / 255.0f) continue;
        }
        V3 n{w[0] * v[0]->nx + w[1] * v[1]->nx + w[2] * v[2]->nx,
             w[0] * v[0]->ny + w[1] * v[1]->ny + w[2] * v[2]->ny,
             w[0] * v[0]->nz + w[1] * v[1]->nz + w[2] * v[2]->nz};
        const V3 p{w[0] * world[0].x + w[1] * world[1].x + w[2] * world[2].x,
                   w[0] * world[0].y + w[1] * world[1].y + w[2] * world[2].y,
                   w[0] * world[0].z + w[1] * world[1].z + w[2] * world[2].z};
        n = unit(n);
        if (dot(n, sub(eye, p)) < 0 && !ortho) n = {-n.x, -n.y, -n.z};
        const float lit = 0.45f + 0.55f * std::max(0.0f, dot(n, light));
        const float a = colour[3];
        for (int c = 0; c < 3; ++c) {
          const float old = pic.rgba[4 * i + c] / 255.0f;
          const float value = std::min(1.0f, colour[c] * lit) * a + old * (1 - a);
          pic.rgba[4 * i + c] = static_cast<uint8_t>(std::lround(value * 255));
        }
        if (a >= 0.5f) pic.depth[i] = z;
        pic.covered[i] = 1;
      }
  }
}

bool save_sheet(const std::string& path, const std::vector<RasterPicture>& pictures, int columns) {
  if (pictures.empty()) return false;
  const int w = pictures[0].width, h = pictures[0].height;
  const int rows = (static_cast<int>(pictures.size()) + columns - 1) / columns;
  std::vector<uint8_t> sheet(static_cast<size_t>(w) * columns * h * rows * 4, 0);
  for (size_t k = 0; k < pictures.size(); ++k) {
    const int ox = static_cast<int>(k % columns) * w, oy = static_cast<int>(k / columns) * h;
    for (int y = 0; y < h; ++y)
      std::copy_n(&pictures[k].rgba[static_cast<size_t>(y) * w * 4], w * 4,
                  &sheet[(static_cast<size_t>(oy + y) * w * columns + ox) * 4]);
  }
  return stbi_write_png(path.c_str(), w * columns, h * rows, 4, sheet.data(), w * columns * 4) != 0;
}
