// Terrain generation and sampling without a device: the heights, the triangle list in
// system memory and the bilinear sampling of the repeating tile.
#include "terrain/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/device.h"
#include "math/random.h"

namespace {

const int kSize = 129;
const int kHills = 16;
const size_t kHillWords = kHills * 3;           // amplitude, column, row
const size_t kNoiseWords = 128 * 128;           // one per point, before the seam copy
const size_t kColourWords = 128 * 128 * 6 * 3;  // red, green, blue per written vertex

struct ExpectedHill {
  float x, z, amplitude;
};

// The hills a generation starting at the current point of the stream will make.
std::vector<ExpectedHill> hills_from_stream() {
  std::vector<ExpectedHill> hills;
  for (int k = 0; k < kHills; ++k) {
    float r = random_signed();
    float amplitude = static_cast<float>(std::fabs(r + 0.5) * (r > 0.0f ? 1.0 : -1.0));
    float x = static_cast<float>(random_int(0, kSize));
    float z = static_cast<float>(random_int(0, kSize));
    hills.push_back({x, z, amplitude});
  }
  return hills;
}

void skip_words(size_t n) {
  for (size_t i = 0; i < n; ++i) random_u32();
}

// Word n of a fresh stream.
uint32_t word_at(size_t n) {
  random_reset();
  skip_words(n);
  return random_u32();
}

float ring(float a, float b, int period) {
  float d = std::fabs(a - b);
  return std::fmin(d, std::fmin(std::fabs(a - (b + period)), std::fabs(a - (b - period))));
}

// Squared ring distance between a hill centre and a grid point, in whole cells.
float distance_squared(const ExpectedHill& hill, int c, int r) {
  float dx = ring(hill.x, static_cast<float>(c), kSize), dz = ring(hill.z, static_cast<float>(r), kSize);
  return dx * dx + dz * dz;
}

class TerrainGeneration : public ::testing::Test {
 protected:
  void SetUp() override {
    g_pd3d_render = nullptr;  // heights only
    random_reset();
  }
  float height(int c, int r) const { return terrain.heights[static_cast<size_t>(r) * kSize + c]; }
  const TerrainVertex& slot(int i, int j, int k) const {
    return terrain.vertices[(static_cast<size_t>(j) * kSize + i) * 6 + k];
  }
  Terrain terrain;
};

}  // namespace

TEST_F(TerrainGeneration, SizesAndRandomDrawsOfTheWorldTerrain) {
  EXPECT_FALSE(terrain.generate(kSize, kSize)) << "no device, nothing uploaded";
  EXPECT_EQ(terrain.columns, 129);
  EXPECT_EQ(terrain.rows, 129);
  EXPECT_EQ(terrain.heights.size(), 16641u);
  EXPECT_EQ(terrain.vertexCount, 99846);
  EXPECT_EQ(terrain.vertices.size(), 99846u);
  EXPECT_EQ(terrain.vertexBuffer, nullptr);
  // Sixteen hills of three draws, one noise draw per point, three colour draws per
  // written vertex: the stream has advanced by exactly that many words.
  uint32_t next = random_u32();
  EXPECT_EQ(next, word_at(kHillWords + kNoiseWords + kColourWords));
}

TEST_F(TerrainGeneration, SeamRepeatsTheFirstColumnAndRow) {
  terrain.generate(kSize, kSize);
  for (int f = 0; f < kSize; ++f) {
    EXPECT_EQ(height(128, f), height(0, f)) << "row " << f;
    EXPECT_EQ(height(f, 128), height(f, 0)) << "column " << f;
  }
  EXPECT_EQ(height(128, 128), height(0, 0));
}

TEST_F(TerrainGeneration, PointsFarFromEveryHillHoldOnlyTheirOwnNoiseDraw) {
  std::vector<ExpectedHill> hills = hills_from_stream();
  random_reset();
  terrain.generate(kSize, kSize);
  int far = 0;
  for (int c = 0; c < 128; ++c) {
    for (int r = 0; r < 128; ++r) {
      bool isFar = true;
      for (const ExpectedHill& hill : hills) isFar = isFar && distance_squared(hill, c, r) >= 400.0f;
      if (!isFar) continue;
      ++far;
      EXPECT_LE(std::fabs(height(c, r)), 1.0f / 32.0f) << c << ", " << r;
      // Noise is drawn after the hills, columns outer and rows inner.
      if (far % 97 == 1) {
        float noise = signed_from_word(word_at(kHillWords + static_cast<size_t>(c) * 128 + r)) / 32.0f;
        EXPECT_EQ(height(c, r), noise) << c << ", " << r;
      }
    }
  }
  EXPECT_GT(far, 0) << "the world terrain has points out of reach of every hill";
}

TEST_F(TerrainGeneration, HillOnColumnZeroReachesColumn127ThroughTheRingOf129) {
  // Find a point in the stream where a generation puts a raising hill on column 0 with
  // no other hill reaching column 127 of its row.
  for (size_t start = 0; start < 20000; ++start) {
    random_reset();
    skip_words(start);
    std::vector<ExpectedHill> hills = hills_from_stream();
    for (int k = 0; k < kHills; ++k) {
      const ExpectedHill& hill = hills[k];
      if (hill.x != 0.0f || hill.amplitude <= 0.5f || hill.z > 127.0f) continue;
      int row = static_cast<int>(hill.z);
      bool alone = true;
      for (int m = 0; m < kHills; ++m)
        alone = alone && (m == k || distance_squared(hills[m], 127, row) >= 400.0f);
      if (!alone) continue;

      random_reset();
      skip_words(start);
      terrain.generate(kSize, kSize);
      float noise = signed_from_word(word_at(start + kHillWords + 127 * 128 + row)) / 32.0f;
      // Two columns away: 1 - 2/20 of the peak (a ring of 128 would give 1 - 1/20).
      float expected = noise + (1.0f - 2.0f / 20.0f) * hill.amplitude;
      EXPECT_FLOAT_EQ(height(127, row), expected) << "hill at row " << row << ", stream offset " << start;
      return;
    }
  }
  FAIL() << "no generation with a lone hill on column 0 found";
}

TEST_F(TerrainGeneration, AFreshStreamGivesTheSameTerrainAndLaterOnesDiffer) {
  terrain.generate(kSize, kSize);
  random_reset();
  Terrain again;
  again.generate(kSize, kSize);
  EXPECT_EQ(terrain.heights, again.heights);
  EXPECT_EQ(std::memcmp(terrain.vertices.data(), again.vertices.data(), terrain.vertices.size() * 24), 0);
  Terrain later;
  later.generate(kSize, kSize);
  EXPECT_NE(terrain.heights, later.heights) << "the stream continues into the next world";
}

TEST_F(TerrainGeneration, CellsHoldTwoTrianglesTheLastColumnAndRowSlotsAreEmptyAndUVSpansTheTile) {
  terrain.generate(kSize, kSize);
  const int corners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 1}};
  for (int k = 0; k < 6; ++k) {
    const TerrainVertex& v = slot(5, 7, k);
    int c = 5 + corners[k][0], r = 7 + corners[k][1];
    EXPECT_EQ(v.x, c / 4.0f);
    EXPECT_EQ(v.z, r / 4.0f);
    EXPECT_EQ(v.y, -height(c, r));
    EXPECT_EQ(v.colour >> 24, 0xFFu);
  }
  int written = 0;
  for (const TerrainVertex& v : terrain.vertices) written += v.colour != 0;
  EXPECT_EQ(written, 98304);
  const TerrainVertex zero{};
  for (int f = 0; f < kSize; ++f) {
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(std::memcmp(&slot(128, f, k), &zero, sizeof zero), 0) << "last column, row " << f;
      EXPECT_EQ(std::memcmp(&slot(f, 128, k), &zero, sizeof zero), 0) << "last row, column " << f;
    }
  }
  const TerrainVertex& edge = slot(127, 0, 1);  // grid point (128, 0)
  EXPECT_EQ(edge.x, 32.0f);
  EXPECT_EQ(edge.u, 1.0f);
  EXPECT_EQ(edge.z, 0.0f);
  EXPECT_EQ(edge.v, 0.0f);
}

TEST_F(TerrainGeneration, ColoursAreDrawnRedGreenBluePerVertexInCellOrder) {
  terrain.generate(kSize, kSize);
  const size_t first = kHillWords + kNoiseWords;
  auto colour = [](size_t word) {
    DWORD red = word_at(word) % 255, green = word_at(word + 1) % 255, blue = word_at(word + 2) % 255;
    return 0xFF000000u + red * 65536u + green * 256u + blue;
  };
  EXPECT_EQ(slot(0, 0, 0).colour, colour(first));
  EXPECT_EQ(slot(0, 0, 1).colour, colour(first + 3));
  EXPECT_EQ(slot(0, 1, 0).colour, colour(first + 18)) << "rows are the inner loop";
}

TEST_F(TerrainGeneration, NonSquareGridIsClosedWithinItsOwnArraysAndTooSmallOnesMakeNothing) {
  EXPECT_FALSE(terrain.generate(65, 33));
  ASSERT_EQ(terrain.heights.size(), 65u * 33u);
  for (int r = 0; r < 33; ++r) EXPECT_EQ(terrain.heights[r * 65 + 64], terrain.heights[r * 65]);
  for (int c = 0; c < 65; ++c) EXPECT_EQ(terrain.heights[32 * 65 + c], terrain.heights[c]);
  EXPECT_FLOAT_EQ(terrain.terrain_height(64.0f + 3.0f, 2.0f), terrain.terrain_height(3.0f, 2.0f));
  EXPECT_FALSE(terrain.generate(1, 129)) << "too small to close";
  EXPECT_TRUE(terrain.heights.empty());
  EXPECT_EQ(terrain.terrain_height(3.0f, 4.0f), 0.0f);
}

// ---- sampling ----

TEST_F(TerrainGeneration, SamplingHitsGridPointsAndRepeatsEvery128InBothDirections) {
  terrain.generate(kSize, kSize);
  for (int c = 0; c < 128; ++c)
    for (int r = 0; r < 128; r += 9) EXPECT_EQ(terrain.terrain_height(float(c), float(r)), height(c, r));
  const float points[][2] = {{0.0f, 0.0f}, {3.25f, 17.5f}, {100.75f, 0.125f}, {127.5f, 127.75f}};
  for (const auto& p : points) {
    float h = terrain.terrain_height(p[0], p[1]);
    EXPECT_EQ(terrain.terrain_height(p[0] + 128, p[1]), h) << p[0] << ", " << p[1];
    EXPECT_EQ(terrain.terrain_height(p[0], p[1] + 128), h);
    EXPECT_EQ(terrain.terrain_height(p[0] - 128, p[1]), h);
    EXPECT_EQ(terrain.terrain_height(p[0], p[1] - 128), h);
    EXPECT_EQ(terrain.terrain_height(p[0] - 1280, p[1] + 1280), h);
  }
  EXPECT_EQ(terrain.terrain_height(-0.25f, 0.0f), terrain.terrain_height(127.75f, 0.0f));
  EXPECT_EQ(terrain.terrain_height(-128.0f, 0.0f), terrain.terrain_height(0.0f, 0.0f));
  EXPECT_EQ(terrain.terrain_height(0.0f, -0.5f), terrain.terrain_height(0.0f, 127.5f));
}

TEST_F(TerrainGeneration, SamplingInterpolatesAcrossTheWrap) {
  terrain.generate(kSize, kSize);
  EXPECT_FLOAT_EQ(terrain.terrain_height(127.5f, 0.0f), 0.5f * height(127, 0) + 0.5f * height(0, 0));
  EXPECT_FLOAT_EQ(terrain.terrain_height(0.0f, 127.5f), 0.5f * height(0, 127) + 0.5f * height(0, 0));
  float centre = 0.25f * (height(10, 20) + height(11, 20) + height(10, 21) + height(11, 21));
  EXPECT_NEAR(terrain.terrain_height(10.5f, 20.5f), centre, 1e-6);
}

TEST_F(TerrainGeneration, SamplingStaysOnTheTileForExtremeCoordinates) {
  // A period of 100: far from the origin the shift onto the tile rounds, here to -128.
  terrain.generate(101, 101);
  float lowest = terrain.heights[0], highest = terrain.heights[0];
  for (float h : terrain.heights) lowest = std::fmin(lowest, h), highest = std::fmax(highest, h);
  const float points[][2] = {
      {-1.6779433e9f, 0.0f}, {0.0f, -1.6779433e9f}, {3.0e12f, -7.0e12f}, {-1e30f, 1e30f}};
  for (const auto& p : points) {
    float h = terrain.terrain_height(p[0], p[1]);
    EXPECT_GE(h, lowest) << p[0] << ", " << p[1];
    EXPECT_LE(h, highest) << p[0] << ", " << p[1];
  }
  terrain.terrain_height(NAN, INFINITY);  // must not read outside the heights either
}
