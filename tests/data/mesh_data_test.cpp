// The generated meshes, loaded with the platform's .X loader: the subsets the game draws and no
// others, whole models in every pose, enemies standing on their origin and facing +x (the way a
// yawed entity moves), the arms in front of the near plane and clear of the aim point.
//
// With VORNEX_DATA_PREVIEW_DIR set, the tests also save pictures of every pose there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "d3dx9/image_decode.h"
#include "d3dx9/xfile_parser.h"
#include "generated_data.h"
#include "mesh_raster.h"

namespace {

struct Bounds {
  float lo[3] = {1e9f, 1e9f, 1e9f};
  float hi[3] = {-1e9f, -1e9f, -1e9f};
};

XMeshData LoadMesh(const std::string& file) {
  XMeshData mesh;
  std::string error;
  EXPECT_TRUE(load_x_file((generated_dir() + "/" + file).c_str(), &mesh, &error)) << error;
  return mesh;
}

DecodedImage LoadImage(const std::string& file) {
  DecodedImage image;
  std::string error;
  EXPECT_TRUE(decode_image_file((generated_dir() + "/" + file).c_str(), &image, &error)) << error;
  return image;
}

// Bounds of the vertices used by one subset's triangles.
Bounds SubsetBounds(const XMeshData& mesh, uint32_t subset) {
  Bounds b;
  for (size_t t = 0; t < mesh.faceAttributes.size(); ++t) {
    if (mesh.faceAttributes[t] != subset) continue;
    for (int k = 0; k < 3; ++k) {
      const XVertex& v = mesh.vertices[mesh.indices[3 * t + k]];
      const float p[3] = {v.x, v.y, v.z};
      for (int a = 0; a < 3; ++a) {
        b.lo[a] = std::min(b.lo[a], p[a]);
        b.hi[a] = std::max(b.hi[a], p[a]);
      }
    }
  }
  return b;
}

size_t TriangleCount(const XMeshData& mesh, uint32_t subset) {
  return static_cast<size_t>(std::count(mesh.faceAttributes.begin(), mesh.faceAttributes.end(), subset));
}

const char* PreviewDir() { return std::getenv("VORNEX_DATA_PREVIEW_DIR"); }

struct MeshCase {
  const char* file;
  std::set<uint32_t> subsets;
};

const MeshCase kMeshes[] = {
    {"Arms.X", {0, 1, 2, 3, 4, 5, 6, 7, 8}}, {"BugTank.X", {1, 2, 3, 4}},   {"BugTurret.X", {0}},
    {"CannonWalker.X", {1, 2, 3, 4}},        {"HoverTank.X", {0, 1, 2, 3}}, {"Bullet.X", {0}},
};

TEST(GeneratedMeshes, LoadWithExactlyTheSubsetsTheGameDraws) {
  for (const MeshCase& c : kMeshes) {
    SCOPED_TRACE(c.file);
    const XMeshData mesh = LoadMesh(c.file);
    const std::set<uint32_t> used(mesh.faceAttributes.begin(), mesh.faceAttributes.end());
    EXPECT_EQ(used, c.subsets);
    EXPECT_TRUE(mesh.hasNormals);
    EXPECT_TRUE(mesh.hasTexCoords);
  }
}

TEST(GeneratedMeshes, HaveUnitNormalsAndTextureCoordinatesInsideTheirSkins) {
  for (const MeshCase& c : kMeshes) {
    SCOPED_TRACE(c.file);
    const XMeshData mesh = LoadMesh(c.file);
    for (const XVertex& v : mesh.vertices) {
      ASSERT_NEAR(std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz), 1.0f, 1e-3f);
      ASSERT_GE(v.u, 0.0f);
      ASSERT_LE(v.u, 1.0f);
      ASSERT_GE(v.v, 0.0f);
      ASSERT_LE(v.v, 1.0f);
    }
  }
}

// Every vertex of the enemies samples a painted, opaque part of its skin: the meshes and the skins
// agree on the layout.
TEST(GeneratedMeshes, SampleOpaquePaintInTheirSkins) {
  const std::pair<const char*, const char*> pairs[] = {{"BugTank.X", "BugTankSkin.png"},
                                                       {"BugTurret.X", "BugTurretSkin.png"},
                                                       {"CannonWalker.X", "CannonWalkerSkin.png"},
                                                       {"HoverTank.X", "HoverTankSkin.png"}};
  for (const auto& [meshFile, skinFile] : pairs) {
    SCOPED_TRACE(meshFile);
    const XMeshData mesh = LoadMesh(meshFile);
    const DecodedImage skin = LoadImage(skinFile);
    for (const XVertex& v : mesh.vertices) {
      const int x = std::min(skin.width - 1, static_cast<int>(v.u * skin.width));
      const int y = std::min(skin.height - 1, static_cast<int>(v.v * skin.height));
      ASSERT_EQ(skin.rgba[(static_cast<size_t>(y) * skin.width + x) * 4 + 3], 255)
          << "at " << v.u << ", " << v.v;
    }
  }
}

// Each pose is a complete copy of the model: the same number of triangles and about the same size
// (the arms' firing poses add a muzzle flash to the resting arms).
TEST(GeneratedMeshes, EveryPoseIsTheWholeModel) {
  for (const MeshCase& c : kMeshes) {
    SCOPED_TRACE(c.file);
    const XMeshData mesh = LoadMesh(c.file);
    const bool arms = std::string(c.file) == "Arms.X";
    const uint32_t first = *c.subsets.begin();
    const Bounds reference = SubsetBounds(mesh, first);
    for (uint32_t s : c.subsets) {
      SCOPED_TRACE(s);
      if (arms) {
        EXPECT_GE(TriangleCount(mesh, s), TriangleCount(mesh, first));
        continue;
      }
      EXPECT_EQ(TriangleCount(mesh, s), TriangleCount(mesh, first));
      const Bounds b = SubsetBounds(mesh, s);
      for (int a = 0; a < 3; ++a) {
        const float size = reference.hi[a] - reference.lo[a];
        EXPECT_NEAR(b.hi[a] - b.lo[a], size, 0.15f * size + 0.01f);
      }
    }
  }
}

// Ground enemies stand with their lowest point on their origin (the game puts the origin on the
// ground), the hover tank floats above it, and each is about the size of its collision box.
TEST(GeneratedMeshes, EnemiesStandOnTheirOriginAtTheSizeOfTheirBoxes) {
  struct Size {
    const char* file;
    float lowest, lowestTolerance, heightMin, heightMax, halfWidth;
  };
  const Size sizes[] = {
      {"BugTank.X", 0.0f, 0.005f, 0.3f, 0.5f, 0.36f},
      {"CannonWalker.X", 0.0f, 0.005f, 1.6f, 2.1f, 0.75f},
      {"HoverTank.X", 0.13f, 0.03f, 0.25f, 0.4f, 0.32f},
  };
  for (const Size& s : sizes) {
    SCOPED_TRACE(s.file);
    const XMeshData mesh = LoadMesh(s.file);
    for (uint32_t subset : std::set<uint32_t>(mesh.faceAttributes.begin(), mesh.faceAttributes.end())) {
      SCOPED_TRACE(subset);
      const Bounds b = SubsetBounds(mesh, subset);
      EXPECT_NEAR(b.lo[1], s.lowest, s.lowestTolerance);
      EXPECT_GE(b.hi[1], s.heightMin);
      EXPECT_LE(b.hi[1], s.heightMax);
      for (int a : {0, 2}) {
        EXPECT_LE(std::fabs(b.lo[a]), s.halfWidth);
        EXPECT_LE(std::fabs(b.hi[a]), s.halfWidth);
      }
    }
  }
}

// Enemies move along their local +x, so their fronts (head, guns) reach further out on +x.
TEST(GeneratedMeshes, EnemiesFacePlusX) {
  for (const char* file : {"BugTank.X", "BugTurret.X", "CannonWalker.X", "HoverTank.X"}) {
    SCOPED_TRACE(file);
    const XMeshData mesh = LoadMesh(file);
    const Bounds b = SubsetBounds(mesh, mesh.faceAttributes[0]);
    EXPECT_GT(b.hi[0], -b.lo[0] + 0.02f);
    EXPECT_NEAR(b.hi[2], -b.lo[2], 0.01f);  // left and right alike
  }
}

// The turret rides on the tank: its turntable sinks a little into the shell top in every pose,
// and it turns about the tank's vertical axis.
TEST(GeneratedMeshes, TurretSitsInTheBugTanksShellTop) {
  const XMeshData tank = LoadMesh("BugTank.X");
  const XMeshData turret = LoadMesh("BugTurret.X");
  const Bounds t = SubsetBounds(turret, 0);
  EXPECT_NEAR(t.hi[2], -t.lo[2], 0.08f);
  for (uint32_t pose = 1; pose <= 4; ++pose) {
    float shellTop = -1;
    for (size_t i = 0; i < tank.faceAttributes.size(); ++i) {
      if (tank.faceAttributes[i] != pose) continue;
      for (int k = 0; k < 3; ++k) {
        const XVertex& v = tank.vertices[tank.indices[3 * i + k]];
        if (std::fabs(v.x) < 0.06f && std::fabs(v.z) < 0.06f) shellTop = std::max(shellTop, v.y);
      }
    }
    SCOPED_TRACE(pose);
    EXPECT_LT(t.lo[1], shellTop);
    EXPECT_GT(t.lo[1], shellTop - 0.06f);
  }
}

TEST(GeneratedMeshes, BulletIsASmallBoltAroundItsOrigin) {
  const Bounds b = SubsetBounds(LoadMesh("Bullet.X"), 0);
  for (int a = 0; a < 3; ++a) {
    EXPECT_LT(b.lo[a], -0.02f);
    EXPECT_GT(b.hi[a], 0.02f);
    EXPECT_GE(b.lo[a], -0.05f);
    EXPECT_LE(b.hi[a], 0.05f);
  }
}

// The game draws the arms at (0, -0.06, 0.11) with no view transform, through its projection
// (45 degrees, near plane 0.1).
constexpr float kArmsOffset[3] = {0.0f, -0.06f, 0.11f};

RasterPicture DrawArms(const XMeshData& arms, const DecodedImage* skin, uint32_t subset) {
  RasterPicture picture(160, 160, 0x3A1F5C);
  draw_subset(picture, arms, subset, RasterView{}, skin, kArmsOffset);
  return picture;
}

TEST(GeneratedMeshes, ArmsLieBeyondTheNearPlane) {
  const XMeshData arms = LoadMesh("Arms.X");
  for (const XVertex& v : arms.vertices) ASSERT_GT(v.z + kArmsOffset[2], 0.1f);
}

// At rest both arms show in the lower half, left and right, and leave the aim point clear; a shot
// moves only the firing arm: subsets 1-4 the left (where the even shots leave), 5-8 the right.
TEST(GeneratedMeshes, ArmsShowBothArmsAndFireOneAtATime) {
  const XMeshData arms = LoadMesh("Arms.X");
  const DecodedImage skin = LoadImage("ArmsSkin.png");
  std::vector<RasterPicture> pictures;
  for (uint32_t s = 0; s <= 8; ++s) pictures.push_back(DrawArms(arms, &skin, s));
  const RasterPicture& rest = pictures[0];
  const int w = rest.width, h = rest.height;
  auto covered = [&](const RasterPicture& p, int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += p.covered[static_cast<size_t>(y) * w + x];
    return n;
  };
  EXPECT_GT(covered(rest, 0, w / 2, h / 2, h), w * h / 40);
  EXPECT_GT(covered(rest, w / 2, w, h / 2, h), w * h / 40);
  EXPECT_EQ(covered(rest, 0, w, 0, h / 3), 0);
  EXPECT_EQ(covered(rest, w / 2 - 8, w / 2 + 8, h / 2 - 8, h / 2 + 8), 0);
  auto changed = [&](const RasterPicture& p, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = x0; x < x1; ++x)
        n += p.covered[static_cast<size_t>(y) * w + x] != rest.covered[static_cast<size_t>(y) * w + x];
    return n;
  };
  for (uint32_t s = 1; s <= 8; ++s) {
    SCOPED_TRACE(s);
    const bool left = s <= 4;
    EXPECT_GT(changed(pictures[s], left ? 0 : w / 2, left ? w / 2 : w), 10);
    EXPECT_EQ(changed(pictures[s], left ? w / 2 : 0, left ? w : w / 2), 0);
  }
  if (PreviewDir()) save_sheet(std::string(PreviewDir()) + "/arms.png", pictures, 3);
}

// Consecutive poses of every cycle differ, seen from the side.
TEST(GeneratedMeshes, AnimationPosesDiffer) {
  struct Cycle {
    const char* mesh;
    const char* skin;
    std::vector<uint32_t> poses;
    float height;
  };
  const Cycle cycles[] = {{"BugTank.X", "BugTankSkin.png", {1, 2, 3, 4}, 0.5f},
                          {"CannonWalker.X", "CannonWalkerSkin.png", {1, 2, 3, 4}, 2.0f},
                          {"HoverTank.X", "HoverTankSkin.png", {0, 1, 2, 3}, 0.4f}};
  std::vector<RasterPicture> sheet;
  const float origin[3] = {0, 0, 0};
  for (const Cycle& c : cycles) {
    SCOPED_TRACE(c.mesh);
    const XMeshData mesh = LoadMesh(c.mesh);
    const DecodedImage skin = LoadImage(c.skin);
    std::vector<RasterPicture> side;
    for (uint32_t pose : c.poses) {
      RasterView view;
      const float d = c.height * 2.2f;
      view.eye[0] = 0.5f * d, view.eye[1] = 0.6f * c.height + 0.35f * d, view.eye[2] = -d;
      view.target[1] = c.height * 0.45f, view.target[2] = 0;
      view.fovY = 0.6f;
      RasterPicture picture(160, 160, 0x2A1650);
      draw_subset(picture, mesh, pose, view, &skin, origin);
      side.push_back(picture);
    }
    for (size_t i = 0; i < side.size(); ++i) {
      const RasterPicture& a = side[i];
      const RasterPicture& b = side[(i + 1) % side.size()];
      int differ = 0;
      for (size_t k = 0; k < a.covered.size(); ++k) differ += a.covered[k] != b.covered[k];
      EXPECT_GT(differ, a.coverage() / 200) << "poses " << c.poses[i] << " and the next look the same";
    }
    sheet.insert(sheet.end(), side.begin(), side.end());
  }
  if (PreviewDir()) save_sheet(std::string(PreviewDir()) + "/enemies.png", sheet, 4);
}

// The turret and the bolt, and the tank with its turret, for the preview only; the pictures must
// not be empty.
TEST(GeneratedMeshes, TurretAndBoltAreVisible) {
  const XMeshData tank = LoadMesh("BugTank.X"), turret = LoadMesh("BugTurret.X"),
                  bullet = LoadMesh("Bullet.X");
  const DecodedImage tankSkin = LoadImage("BugTankSkin.png"), turretSkin = LoadImage("BugTurretSkin.png");
  const DecodedImage plasma = LoadImage("Plasma1.png");
  const float origin[3] = {0, 0, 0};
  RasterView view;
  view.eye[0] = 0.7f, view.eye[1] = 0.8f, view.eye[2] = -0.9f;
  view.target[1] = 0.2f, view.target[2] = 0;
  view.fovY = 0.6f;
  RasterPicture both(160, 160, 0x2A1650), alone(160, 160, 0x2A1650), bolt(160, 160, 0x2A1650);
  draw_subset(both, tank, 1, view, &tankSkin, origin);
  draw_subset(both, turret, 0, view, &turretSkin, origin);
  draw_subset(alone, turret, 0, view, &turretSkin, origin);
  RasterView close;
  close.eye[0] = 0.06f, close.eye[1] = 0.05f, close.eye[2] = -0.12f;
  close.target[0] = 0, close.target[1] = 0, close.target[2] = 0;
  draw_subset(bolt, bullet, 0, close, &plasma, origin);
  EXPECT_GT(alone.coverage(), 200);
  EXPECT_GT(bolt.coverage(), 2000);
  EXPECT_GT(both.coverage(), alone.coverage());
  if (PreviewDir()) save_sheet(std::string(PreviewDir()) + "/turret_bolt.png", {both, alone, bolt}, 3);
}

}  // namespace
