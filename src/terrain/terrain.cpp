#include "terrain/terrain.h"

#include <cmath>
#include <cstring>

#include "gfx/device.h"
#include "math/random.h"

namespace {

// A cone of this radius in grid cells (5 world units) around each hill centre.
const float kHillRadius = 20.0f;
// One hill for every 1024 grid points.
const int kPointsPerHill = 1024;

struct Hill {
  float x;  // centre column
  float z;  // centre row
  float amplitude;
};

// Distance from a hill centre to grid index i around a ring of the given period (the
// grid size, one more than the repeat of the closed tile).
float ring_distance(float centre, int i, int period) {
  float direct = std::fabs(centre - static_cast<float>(i));
  float ahead = std::fabs(centre - static_cast<float>(i + period));
  float behind = std::fabs(centre - static_cast<float>(i - period));
  float d = direct;
  if (ahead < d) d = ahead;
  if (behind < d) d = behind;
  return d;
}

// Brings a coordinate onto the tile (negative values are shifted up by whole periods)
// and splits it into a cell index 0 .. period-1 and the fraction into the cell.
void split_coordinate(float v, int period, int* index, float* fraction) {
  const float p = static_cast<float>(period);
  if (v < 0.0f) {
    v = v + (1.0f - std::trunc(v / p)) * p;
  }
  float whole = std::trunc(v);
  *fraction = v - whole;
  // fmod rather than an integer cast first: exact, and no overflow for huge values.
  // Whatever rounding or a NaN does to the shift, the index stays on the tile.
  float wrapped = std::fmod(whole, p);
  if (wrapped < 0.0f) wrapped += p;
  *index = (wrapped >= 0.0f && wrapped < p) ? static_cast<int>(wrapped) : 0;
}

}  // namespace

Terrain::~Terrain() { release_buffer(); }

void Terrain::release_buffer() {
  if (vertexBuffer) {
    vertexBuffer->Release();
    vertexBuffer = nullptr;
  }
}

bool Terrain::generate(int W, int H) {
  release_buffer();
  heights.clear();
  vertices.clear();
  vertexCount = 0;
  columns = 0;
  rows = 0;
  if (W < 2 || H < 2) return false;

  columns = W;
  rows = H;
  heights.assign(static_cast<size_t>(W) * H, 0.0f);

  // The hill table is sized from the grid, so no size can run past it.
  const int hillCount = W * H / kPointsPerHill;
  std::vector<Hill> hills(static_cast<size_t>(hillCount), Hill{0.0f, 0.0f, 0.0f});
  for (Hill& hill : hills) {
    float r = random_signed();
    double sign = r > 0.0f ? 1.0 : -1.0;
    hill.amplitude = static_cast<float>(std::fabs(r + 0.5) * sign);
    hill.x = static_cast<float>(random_int(0, static_cast<unsigned>(W)));
    hill.z = static_cast<float>(random_int(0, static_cast<unsigned>(H)));
  }

  // Hills and one noise draw per point, columns outer, rows inner; the last column
  // and row are filled by the seam copy below.
  for (int i = 0; i <= W - 2; ++i) {
    for (int j = 0; j <= H - 2; ++j) {
      float sum = 0.0f;
      for (const Hill& hill : hills) {
        float dx = ring_distance(hill.x, i, W);
        float dz = ring_distance(hill.z, j, H);
        float d = std::sqrt(dx * dx + dz * dz);
        if (d < kHillRadius) sum += (1.0f - d / kHillRadius) * hill.amplitude;
      }
      heights[static_cast<size_t>(j) * W + i] = random_signed() / 32.0f + sum;
    }
  }

  // Close the seam: the last column repeats the first, then the last row repeats the
  // first (which already includes its closed corner). Each copy runs over its own
  // length, so a grid that is not square is closed too.
  for (int f = 0; f < H; ++f)
    heights[static_cast<size_t>(f) * W + (W - 1)] = heights[static_cast<size_t>(f) * W];
  for (int f = 0; f < W; ++f) heights[static_cast<size_t>(H - 1) * W + f] = heights[f];

  // Two triangles per cell. Slots of the last column and row of the W x H cell
  // layout stay zero: degenerate triangles at the origin, which draw nothing.
  vertices.assign(static_cast<size_t>(W) * H * 6, TerrainVertex{0.0f, 0.0f, 0.0f, 0, 0.0f, 0.0f});
  for (int i = 0; i <= W - 2; ++i) {
    for (int j = 0; j <= H - 2; ++j) {
      TerrainVertex* cell = &vertices[(static_cast<size_t>(j) * W + i) * 6];
      build_vertex(i, j, &cell[0]);
      build_vertex(i + 1, j, &cell[1]);
      build_vertex(i, j + 1, &cell[2]);
      build_vertex(i + 1, j, &cell[3]);
      build_vertex(i, j + 1, &cell[4]);
      build_vertex(i + 1, j + 1, &cell[5]);
    }
  }
  vertexCount = W * H * 6;

  return upload();
}

void Terrain::build_vertex(int c, int r, TerrainVertex* out) const {
  out->x = static_cast<float>(c) / 4.0f;
  out->z = static_cast<float>(r) / 4.0f;
  out->y = -heights[static_cast<size_t>(r) * columns + c];
  out->u = out->x / (static_cast<float>(columns - 1) / 4.0f);
  out->v = out->z / (static_cast<float>(rows - 1) / 4.0f);
  // Separate statements: the draws happen in the order red, green, blue.
  DWORD red = random_int(0, 255);
  DWORD green = random_int(0, 255);
  DWORD blue = random_int(0, 255);
  out->colour = 0xFF000000u + red * 65536u + green * 256u + blue;
}

bool Terrain::upload() {
  release_buffer();
  if (!g_pd3d_render || vertices.empty()) return false;
  const UINT length = static_cast<UINT>(vertices.size() * sizeof(TerrainVertex));
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (FAILED(g_pd3d_render->CreateVertexBuffer(length, 0, kTerrainFvf, D3DPOOL_DEFAULT, &buffer, nullptr)) ||
      !buffer) {
    return false;
  }
  void* lockedData = nullptr;
  if (FAILED(buffer->Lock(0, length, &lockedData, 0)) || !lockedData) {
    // An unfilled buffer would draw garbage: keep none.
    buffer->Release();
    return false;
  }
  std::memcpy(lockedData, vertices.data(), length);
  buffer->Unlock();
  vertexBuffer = buffer;
  return true;
}

float Terrain::terrain_height(float x, float z) const {
  if (heights.empty()) return 0.0f;
  // The last column and row duplicate the first, so the pattern repeats every
  // columns - 1 and rows - 1 and the duplicates are never read.
  const int P = columns - 1;
  const int Q = rows - 1;
  int ix = 0, iz = 0;
  float fx = 0.0f, fz = 0.0f;
  split_coordinate(x, P, &ix, &fx);
  split_coordinate(z, Q, &iz, &fz);
  const int ix1 = (ix + 1) % P;
  const int iz1 = (iz + 1) % Q;
  const size_t W = static_cast<size_t>(columns);
  const float h00 = heights[iz * W + ix];
  const float h10 = heights[iz * W + ix1];
  const float h01 = heights[iz1 * W + ix];
  const float h11 = heights[iz1 * W + ix1];
  return (1.0f - fx) * h00 * (1.0f - fz) + h10 * fx * (1.0f - fz) + (1.0f - fx) * h01 * fz + h11 * fx * fz;
}

void Terrain::draw_terrain() const {
  if (!vertexBuffer || !g_pd3d_render) return;
  g_pd3d_render->SetStreamSource(0, vertexBuffer, 0, sizeof(TerrainVertex));
  g_pd3d_render->SetFVF(kTerrainFvf);
  g_pd3d_render->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertexCount / 3));
}
