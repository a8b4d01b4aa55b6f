#include "world/animation.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "gfx/device.h"
#include "platform/device_fixture.h"

namespace {

// Four poses of a quarter second: the walk cycles' shape.
FrameCycle quarter_ring() {
  return make_frame_ring(nullptr, {{1, 0.25f}, {2, 0.25f}, {3, 0.25f}, {4, 0.25f}});
}

}  // namespace

TEST(AnimCycle, RingClosesOnItsFirstFrameAndKeepsThePoses) {
  FrameCycle ring = quarter_ring();
  ASSERT_EQ(ring.count, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ring.frames[i].subset, i + 1);
    EXPECT_EQ(ring.frames[i].duration, 0.25f);
    EXPECT_EQ(ring.frames[i].mesh, nullptr);
  }
  EXPECT_EQ(ring.frames[0].next, &ring.frames[1]);
  EXPECT_EQ(ring.frames[2].next, &ring.frames[3]);
  EXPECT_EQ(ring.frames[3].next, ring.first());

  FrameCycle turret = make_frame_ring(nullptr, {{0, 0.84f}, {0, 0.16f}});
  EXPECT_EQ(turret.frames[1].next, turret.first());
  FrameCycle one = make_frame_ring(nullptr, {{7, 0.5f}});
  EXPECT_EQ(one.first()->next, one.first()) << "a ring of one shows its pose again and again";
  EXPECT_EQ(make_frame_ring(nullptr, {}).first(), nullptr);
}

TEST(ModelInstance, SecondFrameComesOnTheThirdTenthOfASecond) {
  FrameCycle ring = quarter_ring();
  ModelInstance model(ring.first(), nullptr);
  EXPECT_EQ(model.timeLeft, 0.25f);
  model.advance_model(0.1f);
  EXPECT_EQ(model.frame, ring.first());
  EXPECT_NEAR(model.timeLeft, 0.15f, 1e-6f);
  model.advance_model(0.1f);
  EXPECT_EQ(model.frame, ring.first());
  EXPECT_NEAR(model.timeLeft, 0.05f, 1e-6f);
  model.advance_model(0.1f);
  EXPECT_EQ(model.frame, &ring.frames[1]);
  EXPECT_EQ(model.timeLeft, 0.25f) << "the overshoot is dropped";
}

TEST(ModelInstance, LongFrameTimeAdvancesOneFrameOnly) {
  FrameCycle ring = quarter_ring();
  ModelInstance model(ring.first(), nullptr);
  model.advance_model(1.0f);
  EXPECT_EQ(model.frame, &ring.frames[1]);
  EXPECT_EQ(model.timeLeft, 0.25f);
}

TEST(ModelInstance, ExactlyZeroTimeLeftDoesNotAdvance) {
  FrameCycle ring = quarter_ring();
  ModelInstance model(ring.first(), nullptr);
  model.advance_model(0.25f);
  EXPECT_EQ(model.frame, ring.first());
  EXPECT_EQ(model.timeLeft, 0.0f);
  model.advance_model(0.0f);
  EXPECT_EQ(model.frame, ring.first());
  model.advance_model(0.001f);
  EXPECT_EQ(model.frame, &ring.frames[1]);
}

TEST(ModelInstance, RingComesRoundToItsFirstFrame) {
  FrameCycle ring = quarter_ring();
  ModelInstance model(ring.first(), nullptr);
  const AnimFrame* seen[9];
  for (const AnimFrame*& frame : seen) {
    model.advance_model(0.3f);
    frame = model.frame;
  }
  for (int i = 0; i < 9; ++i) EXPECT_EQ(seen[i], &ring.frames[(i + 1) % 4]) << "call " << i;
}

TEST(ModelInstance, BulletFrameIsNeverLeft) {
  FrameCycle bullet = make_still_frame(nullptr, 0, 0.0f);
  ASSERT_EQ(bullet.count, 1);
  EXPECT_EQ(bullet.first()->next, nullptr);
  ModelInstance model(bullet.first(), nullptr);
  EXPECT_EQ(model.timeLeft, 0.0f);
  for (float dt : {0.0f, 0.016f, 1.0f, 100.0f}) model.advance_model(dt);
  EXPECT_EQ(model.frame, bullet.first());
  EXPECT_FLOAT_EQ(model.timeLeft, -101.016f) << "the count goes on below zero";
}

TEST(ModelStore, InstancesKeepTheirAddressesAsTheStoreGrows) {
  FrameCycle ring = quarter_ring();
  ModelStore store;
  ModelInstance* first = store.make(&ring.frames[3], nullptr);
  ModelInstance* others[2000];
  for (ModelInstance*& other : others) other = store.make(ring.first(), nullptr);
  EXPECT_EQ(store.size(), 2001u);
  EXPECT_EQ(first->frame, &ring.frames[3]);
  EXPECT_EQ(first->timeLeft, 0.25f);
  EXPECT_NE(first, others[0]);
  EXPECT_NE(others[0], others[1999]);
  EXPECT_EQ(others[1999]->frame, ring.first());
}

namespace {

std::string temp_path(const char* name) {
  return "/tmp/vornex_anim_" + std::to_string(getpid()) + "_" + name;
}

// Three subsets in face order: 0 a quad (indices 0-5), 1 a triangle (6-8), 2 a triangle (9-11).
const char* kThreePoseMesh =
    "xof 0303txt 0032\n"
    "Mesh poses {\n"
    " 10;\n"
    " -1.0; -1.0; 2.0;, -1.0; 1.0; 2.0;, 1.0; 1.0; 2.0;, 1.0; -1.0; 2.0;,\n"
    " 0.0; 0.0; 2.0;, 0.5; 1.0; 2.0;, 1.0; 0.0; 2.0;,\n"
    " 0.0; 0.0; 2.0;, -0.5; -1.0; 2.0;, -1.0; 0.0; 2.0;;\n"
    " 3;\n"
    " 4; 0, 1, 2, 3;,\n"
    " 3; 4, 5, 6;,\n"
    " 3; 7, 8, 9;;\n"
    " MeshMaterialList {\n"
    "  3; 3; 0, 1, 2;;\n"
    "  Material { 1.0; 1.0; 1.0; 1.0;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }\n"
    "  Material { 1.0; 1.0; 1.0; 1.0;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }\n"
    "  Material { 1.0; 1.0; 1.0; 1.0;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }\n"
    " }\n"
    "}\n";

// A 1 x 1 24-bit BMP of one colour (0xRRGGBB): file header, info header, one padded row.
std::string one_pixel_bmp(std::uint32_t rgb) {
  const std::uint32_t fields[] = {58, 0, 54, 40, 1, 1, 1 | (24u << 16), 0, 4, 2835, 2835, 0, 0, rgb};
  std::string s = "BM";
  for (std::uint32_t v : fields)
    for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
  return s;  // the colour's fourth byte (0) is the row padding
}

// The device and matrix stack of the game's drawing, a mesh with three poses and two
// skins; every draw is recorded.
class ModelDrawing : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    ASSERT_EQ(D3DXCreateMatrixStack(0, &stack), D3D_OK);
    g_pd3d_render = device;
    g_pmatrix_stack = stack;
    mesh = load_mesh();
    ASSERT_NE(mesh, nullptr);
    red = load_texture("red.bmp", 0xFF0000);
    blue = load_texture("blue.bmp", 0x0000FF);
    ASSERT_NE(red, nullptr);
    ASSERT_NE(blue, nullptr);
    d3d9_record_draws(device, &draws);
  }

  void TearDown() override {
    if (device) d3d9_record_draws(device, nullptr);
    g_pd3d_render = nullptr;
    g_pmatrix_stack = nullptr;
    for (IDirect3DTexture9* t : {red, blue})
      if (t) t->Release();
    if (mesh) mesh->Release();
    if (stack) stack->Release();
    for (const std::string& path : files) std::remove(path.c_str());
    D3d9Device::TearDown();
  }

  std::string write(const char* name, const std::string& bytes) {
    std::string path = temp_path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    files.push_back(path);
    return path;
  }

  ID3DXMesh* load_mesh() {
    ID3DXMesh* loaded = nullptr;
    std::string path = write("poses.x", kThreePoseMesh);
    EXPECT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, device, nullptr, nullptr, nullptr, nullptr,
                                 &loaded),
              D3D_OK);
    return loaded;
  }

  IDirect3DTexture9* load_texture(const char* name, std::uint32_t rgb) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, write(name, one_pixel_bmp(rgb)).c_str(), &texture), D3D_OK);
    return texture;
  }

  // Draws inside a scene and returns the one draw it made.
  D3d9DrawRecord draw_once(const ModelInstance& model) {
    draws.clear();
    device->BeginScene();
    model.draw_model();
    device->EndScene();
    EXPECT_EQ(draws.size(), 1u);
    return draws.empty() ? D3d9DrawRecord{} : draws.back();
  }

  ID3DXMatrixStack* stack = nullptr;
  ID3DXMesh* mesh = nullptr;
  IDirect3DTexture9* red = nullptr;
  IDirect3DTexture9* blue = nullptr;
  std::vector<D3d9DrawRecord> draws;
  std::vector<std::string> files;
};

}  // namespace

TEST_F(ModelDrawing, DrawsTheCurrentPoseWithItsSkinAndTheStackTop) {
  FrameCycle cycle = make_frame_ring(mesh, {{0, 0.1f}, {1, 0.1f}, {2, 0.1f}});
  ModelInstance model(cycle.first(), red);
  stack->TranslateLocal(1, 2, 3);
  stack->RotateYawPitchRollLocal(0.5f, 0, 0);

  D3d9DrawRecord draw = draw_once(model);
  EXPECT_TRUE(draw.indexed);
  EXPECT_EQ(draw.startVertex, 0u) << "subset 0 starts at index 0";
  EXPECT_EQ(draw.primitiveCount, 2u);
  EXPECT_EQ(draw.texture0, red);
  const D3DXMATRIX& top = *stack->GetTop();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(draw.world.m[r][c], top.m[r][c]) << r << "," << c;

  model.advance_model(0.2f);
  draw = draw_once(model);
  EXPECT_EQ(draw.startVertex, 6u) << "subset 1 follows the quad's six indices";
  EXPECT_EQ(draw.primitiveCount, 1u);
  model.advance_model(0.2f);
  EXPECT_EQ(draw_once(model).startVertex, 9u);

  FrameCycle bullet = make_still_frame(mesh, 2, 0.0f);
  ModelInstance shot(bullet.first(), nullptr);
  for (int i = 0; i < 10; ++i) shot.advance_model(0.5f);
  EXPECT_EQ(draw_once(shot).startVertex, 9u) << "the bullet frame is never left";
}

TEST_F(ModelDrawing, NoSkinDrawsWithWhateverTextureStageZeroHolds) {
  FrameCycle cycle = make_frame_ring(mesh, {{1, 0.1f}});
  ModelInstance skinned(cycle.first(), red);
  ModelInstance bare(cycle.first(), nullptr);
  draw_once(skinned);
  EXPECT_EQ(draw_once(bare).texture0, red) << "the previous draw's texture stays bound";
  device->SetTexture(0, blue);
  EXPECT_EQ(draw_once(bare).texture0, blue);
  EXPECT_EQ(draw_once(skinned).texture0, red);
}

TEST_F(ModelDrawing, MissingMeshDrawsNothingButStillBindsTheSkin) {
  FrameCycle cycle = make_frame_ring(nullptr, {{0, 0.1f}});
  ModelInstance model(cycle.first(), blue);
  draws.clear();
  device->BeginScene();
  model.draw_model();
  device->EndScene();
  EXPECT_TRUE(draws.empty());
  FrameCycle real = make_frame_ring(mesh, {{0, 0.1f}});
  EXPECT_EQ(draw_once(ModelInstance(real.first(), nullptr)).texture0, blue);
}
