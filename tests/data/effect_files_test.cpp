// The game's three effect files on a real device: each compiles with the technique the game
// picks and takes every parameter the game sets, and each draws what the game relies on: ground
// where the terrain is, a model in its own skin through the same effect, a camera-facing spark
// at a particle's position although all four corners of its quad are the origin, and a glowing
// bolt in the colour it is given that changes with time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "d3d9/d3d9_internal.h"
#include "generated_data.h"
#include "platform/device_fixture.h"

#ifndef VORNEX_DATA_DIR
#error "VORNEX_DATA_DIR must name the folder that holds the effect files"
#endif

namespace {

struct EffectFile {
  const char* file;
  const char* technique;
};
const EffectFile kTerrain{"ShdTerrain.fx", "CurveShader"};
const EffectFile kPlasma{"ShdPlasma.fx", "GlobalShader"};
const EffectFile kParticle{"ShdPartical.fx", "DrayShader"};

// The game's one projection and the colour of its night sky.
const float kFar = 15.0f;
const DWORD kNight = 0x1B1233;

struct MeshVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
const DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

struct Rgb {
  int r, g, b;
};
Rgb channels(DWORD c) { return {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)}; }

class EffectFiles : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    if (HasFatalFailure()) return;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 0.1f, kFar);
    D3DXMatrixIdentity(&identity);
    look(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1));
    // The states the play frame sets before it draws anything.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }

  void TearDown() override {
    for (auto* e : effects) e->Release();
    for (auto* t : textures) t->Release();
    for (auto* m : meshes) m->Release();
    D3d9Device::TearDown();
  }

  ID3DXEffect* load(const EffectFile& f) {
    const std::string path = std::string(VORNEX_DATA_DIR) + "/" + f.file;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
    EXPECT_EQ(hr, D3D_OK) << f.file;
    if (errors) {
      ADD_FAILURE() << static_cast<const char*>(errors->GetBufferPointer());
      errors->Release();
    }
    if (!effect) return nullptr;
    effects.push_back(effect);
    EXPECT_EQ(effect->SetTechnique(f.technique), D3D_OK) << f.file << " lacks " << f.technique;
    return effect;
  }

  IDirect3DTexture9* texture(const char* name) {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, (generated_dir() + "/" + name).c_str(), &t), D3D_OK) << name;
    if (t) textures.push_back(t);
    return t;
  }

  IDirect3DTexture9* solid(DWORD argb) {
    std::uint8_t rgba[4] = {std::uint8_t(argb >> 16), std::uint8_t(argb >> 8), std::uint8_t(argb),
                            std::uint8_t(argb >> 24)};
    IDirect3DTexture9* t = D3d9TextureState::create_rgba(device, 1, 1, rgba);
    EXPECT_NE(t, nullptr);
    if (t) textures.push_back(t);
    return t;
  }

  ID3DXMesh* mesh(const char* name) {
    ID3DXMesh* m = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromXA((generated_dir() + "/" + name).c_str(), 0, device, nullptr, nullptr, nullptr,
                                 nullptr, &m),
              D3D_OK)
        << name;
    if (m) meshes.push_back(m);
    return m;
  }

  void look(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, D3DXVECTOR3 up = D3DXVECTOR3(0, 1, 0)) {
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  }

  // As the game's effect wrapper does: the three transforms, Begin, pass 0.
  void begin(ID3DXEffect* effect, const D3DXMATRIX& world) {
    EXPECT_EQ(effect->SetMatrix("World", &world), D3D_OK);
    EXPECT_EQ(effect->SetMatrix("View", &view), D3D_OK);
    EXPECT_EQ(effect->SetMatrix("Projection", &projection), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_GE(passes, 1u);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  }

  void end(ID3DXEffect* effect) {
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
  }

  void draw_mesh_vertices(const std::vector<MeshVertex>& vertices) {
    IDirect3DVertexBuffer9* vb = nullptr;
    const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(MeshVertex));
    ASSERT_EQ(device->CreateVertexBuffer(bytes, 0, kMeshFvf, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    buffers.push_back(vb);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, bytes, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), bytes);
    vb->Unlock();
    device->SetStreamSource(0, vb, 0, sizeof(MeshVertex));
    device->SetFVF(kMeshFvf);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size() / 3)), D3D_OK);
  }

  // Draws a ground patch as the terrain makes it: a triangle list of 0.25-unit cells with a
  // random colour per vertex and u, v running 0..1 across 32 units, and no normal.
  void draw_ground(float x0, float x1, float z0, float z1, float y) {
    std::vector<Vertex> v;
    std::uint32_t seed = 12345;
    auto colour = [&]() {
      seed = seed * 1103515245u + 12345u;
      return 0xFF000000u | ((seed >> 8) & 0xFEFEFEu);
    };
    const float step = 0.25f;
    for (float x = x0; x < x1 - 1e-3f; x += step)
      for (float z = z0; z < z1 - 1e-3f; z += step) {
        auto point = [&](float px, float pz) {
          const float bump = 0.03f * std::sin(px * 7.0f) * std::cos(pz * 5.0f);
          return Vertex{px, y + bump, pz, colour(), px / 32.0f, pz / 32.0f};
        };
        v.push_back(point(x, z));
        v.push_back(point(x + step, z));
        v.push_back(point(x, z + step));
        v.push_back(point(x + step, z));
        v.push_back(point(x, z + step));
        v.push_back(point(x + step, z + step));
      }
    draw(make_buffer(v), static_cast<UINT>(v.size() / 3), D3DPT_TRIANGLELIST);
  }

  // The pixel (column, row) where a world point lands.
  void project(const D3DXVECTOR3& point, int* column, int* row) {
    D3DXMATRIX viewProjection;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &point, &viewProjection);
    *column = static_cast<int>((ndc.x + 1.0f) * 0.5f * kSize);
    *row = static_cast<int>((1.0f - ndc.y) * 0.5f * kSize);
  }

  D3DXMATRIX view, projection, identity;
  std::vector<ID3DXEffect*> effects;
  std::vector<IDirect3DTexture9*> textures;
  std::vector<ID3DXMesh*> meshes;
};

DWORD at(const std::vector<DWORD>& pixels, int column, int row) {
  return pixels[static_cast<size_t>(row) * kSize + column];
}

}  // namespace

TEST_F(EffectFiles, EachCompilesWithTheTechniqueTheGamePicks) {
  for (const EffectFile& f : {kTerrain, kPlasma, kParticle}) {
    SCOPED_TRACE(f.file);
    ID3DXEffect* effect = load(f);
    ASSERT_NE(effect, nullptr);
    device->BeginScene();
    begin(effect, identity);
    end(effect);
    device->EndScene();
  }
}

TEST_F(EffectFiles, EachTakesEveryParameterTheGameSets) {
  ID3DXEffect* terrain = load(kTerrain);
  ID3DXEffect* plasma = load(kPlasma);
  ID3DXEffect* particle = load(kParticle);
  ASSERT_TRUE(terrain && plasma && particle);
  for (ID3DXEffect* e : {terrain, plasma, particle}) {
    EXPECT_EQ(e->SetMatrix("World", &identity), D3D_OK);
    EXPECT_EQ(e->SetMatrix("View", &identity), D3D_OK);
    EXPECT_EQ(e->SetMatrix("Projection", &identity), D3D_OK);
  }
  EXPECT_EQ(terrain->SetTexture("textureImage", texture("Plasma1.png")), D3D_OK);
  EXPECT_EQ(plasma->SetTexture("textureImage1", texture("Plasma1.png")), D3D_OK);
  EXPECT_EQ(plasma->SetTexture("textureImage2", texture("Plasma2.png")), D3D_OK);
  EXPECT_EQ(plasma->SetFloat("timeOffset", 12.5f), D3D_OK);
  EXPECT_EQ(plasma->SetInt("PlasmaColor", static_cast<INT>(0xFF0000FF)), D3D_OK);
  EXPECT_EQ(particle->SetTexture("textureImage", texture("BlurPart.png")), D3D_OK);
}

TEST_F(EffectFiles, TerrainCoversTheGroundBelowTheHorizonAndLeavesTheSky) {
  ID3DXEffect* effect = load(kTerrain);
  ASSERT_NE(effect, nullptr);
  // The camera's start: 0.3 above the ground, looking along +z; stage 0 holds another
  // texture, as in the game.
  look(D3DXVECTOR3(0, 0.3f, -2), D3DXVECTOR3(0, 0.3f, -1.5f));
  const DWORD clearColour = 0xFF00FF00;
  clear(clearColour);
  device->BeginScene();
  device->SetTexture(0, texture("BugTankSkin.png"));
  effect->SetTexture("textureImage", texture("Plasma1.png"));
  begin(effect, identity);
  draw_ground(-6, 6, -1.9f, 13, 0);
  end(effect);
  device->EndScene();
  std::vector<DWORD> pixels = back_buffer();
  for (int row = kSize / 2 + 4; row < kSize; row += 3)
    for (int column = 8; column < kSize - 8; column += 3) {
      const Rgb c = channels(at(pixels, column, row));
      EXPECT_GT(c.r + c.g + c.b, 60) << "dark ground at " << column << ", " << row;
      EXPECT_FALSE(rgb_near(at(pixels, column, row), clearColour))
          << "no ground at " << column << ", " << row;
    }
  for (int column = 0; column < kSize; column += 4)
    EXPECT_TRUE(rgb_near(at(pixels, column, 4), clearColour)) << "ground above the horizon at " << column;
}

TEST_F(EffectFiles, TerrainShowsAModelInItsSkinAndTheGroundInItsOwnColours) {
  ID3DXEffect* effect = load(kTerrain);
  ASSERT_NE(effect, nullptr);
  // From above: the model on the left (x < 0), the ground on the right.
  look(D3DXVECTOR3(0, 3, 0), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1));
  IDirect3DTexture9* green = solid(0xFF00FF00);
  clear(0xFF000000);
  device->BeginScene();
  // The ground with a green texture as its textureImage: still ground-coloured.
  effect->SetTexture("textureImage", green);
  begin(effect, identity);
  draw_ground(0.1f, 1.2f, -0.6f, 0.6f, 0);
  end(effect);
  // A model binds its skin on stage 0 after the pass has begun, as the game's models do.
  effect->SetTexture("textureImage", texture("Plasma1.png"));
  begin(effect, identity);
  device->SetTexture(0, green);
  const MeshVertex a{-1.2f, 0, -0.6f, 0, 1, 0, 0, 1}, b{-0.1f, 0, -0.6f, 0, 1, 0, 1, 1},
      c{-1.2f, 0, 0.6f, 0, 1, 0, 0, 0}, d{-0.1f, 0, 0.6f, 0, 1, 0, 1, 0};
  draw_mesh_vertices({a, b, c, b, c, d});
  end(effect);
  device->EndScene();
  std::vector<DWORD> pixels = back_buffer();
  int column = 0, row = 0;
  project(D3DXVECTOR3(-0.65f, 0, 0), &column, &row);
  const Rgb model = channels(at(pixels, column, row));
  EXPECT_GT(model.g, 80);
  EXPECT_GT(model.g, 2 * std::max(model.r, model.b)) << "the model is not in its green skin";
  project(D3DXVECTOR3(0.65f, 0, 0), &column, &row);
  const Rgb ground = channels(at(pixels, column, row));
  EXPECT_GT(ground.r + ground.g + ground.b, 60);
  EXPECT_LT(ground.g, std::max(ground.r, ground.b)) << "the ground took the texture's colour";
}

TEST_F(EffectFiles, TerrainAndModelsFadeIntoTheNightBeforeTheFarPlane) {
  ID3DXEffect* effect = load(kTerrain);
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* white = solid(0xFFFFFFFF);
  for (float depth : {2.5f, kFar - 0.7f}) {
    SCOPED_TRACE(depth);
    clear(0xFF000000);
    device->BeginScene();
    effect->SetTexture("textureImage", white);
    begin(effect, identity);
    device->SetTexture(0, white);
    // A white model facing the camera on the left, ground-like vertices on the right.
    const float h = depth;  // wider than the view at this depth
    const MeshVertex a{-h, -h, depth, 0, 0, -1, 0, 0}, b{0, -h, depth, 0, 0, -1, 1, 0},
        c{-h, h, depth, 0, 0, -1, 0, 1}, d{0, h, depth, 0, 0, -1, 1, 1};
    draw_mesh_vertices({a, b, c, b, c, d});
    draw(quad(0, -h, h, h, depth, 0xFF8040C0), 2);
    end(effect);
    device->EndScene();
    std::vector<DWORD> pixels = back_buffer();
    const DWORD model = at(pixels, kSize / 4, kSize / 2), ground = at(pixels, 3 * kSize / 4, kSize / 2);
    if (depth > 10) {
      for (DWORD p : {model, ground}) {
        const Rgb c = channels(p), night = channels(kNight);
        EXPECT_NEAR(c.r, night.r, 6);
        EXPECT_NEAR(c.g, night.g, 6);
        EXPECT_NEAR(c.b, night.b, 6);
      }
    } else {
      const Rgb m = channels(model);
      EXPECT_GT(m.r + m.g + m.b, 300) << "a white model near the viewer is bright";
      EXPECT_FALSE(rgb_near(ground, kNight)) << "near ground is not yet night";
    }
  }
}

// The particle quad as the game builds it: four corners at the origin (two of them negative
// zero), differing only in u, v; the world matrix scales it to nothing at the particle.
TEST_F(EffectFiles, ParticleIsARoundWarmSpriteFacingTheCameraAtItsPosition) {
  ID3DXEffect* effect = load(kParticle);
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* blur = texture("BlurPart.png");
  IDirect3DVertexBuffer9* quad_at_origin = make_buffer({{0.0f, 0.0f, 0.0f, 0xFFC8C8C8, 0, 0},
                                                        {-0.0f, 0.0f, 0.0f, 0xFFC8C8C8, 1, 0},
                                                        {0.0f, -0.0f, 0.0f, 0xFFC8C8C8, 0, 1},
                                                        {-0.0f, -0.0f, 0.0f, 0xFFC8C8C8, 1, 1}});
  const D3DXVECTOR3 where(0.1f, -0.05f, 0.5f);
  D3DXMATRIX scale, translate, world;
  D3DXMatrixScaling(&scale, 0, 0, 0);
  D3DXMatrixTranslation(&translate, where.x, where.y, where.z);
  D3DXMatrixMultiply(&world, &scale, &translate);
  effect->SetTexture("textureImage", blur);
  const DWORD background = 0xFF101018;

  // Seen from the front, and from the side (where a sprite lying in the world's x-y plane
  // would be edge-on).
  const D3DXVECTOR3 eyes[2] = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(where.x - 0.5f, where.y, where.z)};
  for (const D3DXVECTOR3& eye : eyes) {
    SCOPED_TRACE(eye.x);
    look(eye, where);
    clear(background);
    device->BeginScene();
    device->SetTexture(0, blur);
    begin(effect, world);
    draw(quad_at_origin);
    end(effect);
    device->EndScene();
    std::vector<DWORD> pixels = back_buffer();
    int column = 0, row = 0;
    project(where, &column, &row);
    ASSERT_TRUE(column >= 8 && column < kSize - 8 && row >= 8 && row < kSize - 8);
    const Rgb centre = channels(at(pixels, column, row));
    EXPECT_GT(centre.r, 180) << "no bright spark at the particle";
    // White-hot in the middle, orange around it.
    Rgb glow{0, 0, 0};
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const Rgb c = channels(at(pixels, column + dx, row + dy));
        glow.r += c.r;
        glow.b += c.b;
      }
    EXPECT_GT(glow.r, glow.b * 3 / 2) << "the spark is not warm";
    // About 7 pixels to each side at this distance; round, so its square's corners stay dark.
    EXPECT_TRUE(rgb_near(at(pixels, column + 6, row + 6), background)) << "square, not round";
    EXPECT_TRUE(rgb_near(at(pixels, column - 6, row - 6), background)) << "square, not round";
    for (int d : {-12, 12}) {
      EXPECT_TRUE(rgb_near(at(pixels, column + d, row), background)) << "too wide";
      EXPECT_TRUE(rgb_near(at(pixels, column, row + d), background)) << "too tall";
    }
  }
}

class PlasmaBolt : public EffectFiles {
 protected:
  // The bullet mesh as a bolt flies: scaled by 2, tumbled, 0.4 in front of the camera.
  std::vector<DWORD> draw_bolt(DWORD colour, float timeOffset) {
    ID3DXEffect* effect = plasma ? plasma : (plasma = load(kPlasma));
    ID3DXMesh* bullet = bolt ? bolt : (bolt = mesh("Bullet.X"));
    if (!effect || !bullet) return {};
    effect->SetTexture("textureImage1", texture("Plasma1.png"));
    effect->SetTexture("textureImage2", texture("Plasma2.png"));
    effect->SetFloat("timeOffset", timeOffset);
    effect->SetInt("PlasmaColor", static_cast<INT>(colour));
    D3DXMATRIX scale, turn, translate, world;
    D3DXMatrixScaling(&scale, 2, 2, 2);
    D3DXMatrixRotationYawPitchRoll(&turn, 0.3f, 0.5f, 0.2f);
    D3DXMatrixTranslation(&translate, 0, 0, 0.4f);
    D3DXMatrixMultiply(&world, &scale, &turn);
    D3DXMatrixMultiply(&world, &world, &translate);
    clear(kBackground);
    device->BeginScene();
    begin(effect, world);
    bullet->DrawSubset(0);
    end(effect);
    device->EndScene();
    return back_buffer();
  }

  // Sums of the channels over the bolt's middle.
  static Rgb middle(const std::vector<DWORD>& pixels) {
    Rgb sum{0, 0, 0};
    for (int row = kSize / 2 - 4; row <= kSize / 2 + 4; ++row)
      for (int column = kSize / 2 - 4; column <= kSize / 2 + 4; ++column) {
        const Rgb c = channels(at(pixels, column, row));
        sum.r += c.r;
        sum.g += c.g;
        sum.b += c.b;
      }
    return sum;
  }

  static constexpr DWORD kBackground = 0xFF303030;
  ID3DXEffect* plasma = nullptr;
  ID3DXMesh* bolt = nullptr;
};

TEST_F(PlasmaBolt, GlowsInThePlasmaColourItIsGiven) {
  const Rgb blue = middle(draw_bolt(0xFF0000FF, 0.3f));
  EXPECT_GT(blue.b, 81 * 150) << "the bolt is not bright";
  EXPECT_GT(blue.b, blue.r * 13 / 10) << "blue plasma is not blue";
  const Rgb red = middle(draw_bolt(0xFFFF0000, 0.3f));
  EXPECT_GT(red.r, red.b * 13 / 10) << "red plasma is not red";
}

TEST_F(PlasmaBolt, AddsLightWithoutDarkeningAndLeavesTheRestAlone) {
  std::vector<DWORD> pixels = draw_bolt(0xFF0000FF, 0.3f);
  ASSERT_EQ(pixels.size(), size_t(kSize) * kSize);
  const Rgb floor = channels(kBackground);
  for (DWORD p : pixels) {
    const Rgb c = channels(p);
    ASSERT_TRUE(c.r >= floor.r - 1 && c.g >= floor.g - 1 && c.b >= floor.b - 1) << std::hex << p;
  }
  for (int corner : {0, kSize - 1}) EXPECT_TRUE(rgb_near(at(pixels, corner, corner), kBackground));
}

TEST_F(PlasmaBolt, ChurnsAsTimeGoesOn) {
  const std::vector<DWORD> now = draw_bolt(0xFF0000FF, 0.3f);
  const std::vector<DWORD> later = draw_bolt(0xFF0000FF, 0.33f);
  ASSERT_EQ(now.size(), later.size());
  int changed = 0;
  for (size_t i = 0; i < now.size(); ++i) {
    const Rgb a = channels(now[i]), b = channels(later[i]);
    if (std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 24) ++changed;
  }
  EXPECT_GT(changed, 20) << "the bolt looks the same 0.3 s later";
}
