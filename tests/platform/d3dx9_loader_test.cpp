// D3DX's loaders on the device: textures from files (their orientation, colour order,
// modulation with the diffuse colour and their alpha) and .X meshes drawn by subset.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "device_fixture.h"
#include "support/temp_folder.h"

namespace {

std::string temp_path(const char* name) { return test_support::temp_path(name); }

void put16(std::string& s, unsigned v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

// A 32-bit BMP with an alpha mask (BITMAPV4HEADER). Pixels are 0xAARRGGBB, rows top
// first; the file stores them bottom up, as BMPs do.
std::string write_bmp(const char* name, int w, int h, const std::vector<std::uint32_t>& pixels) {
  std::string s = "BM";
  const std::uint32_t header = 14 + 108, data = static_cast<std::uint32_t>(w * h * 4);
  put32(s, header + data);
  put32(s, 0);
  put32(s, header);
  put32(s, 108);
  put32(s, static_cast<std::uint32_t>(w));
  put32(s, static_cast<std::uint32_t>(h));
  put16(s, 1);
  put16(s, 32);
  put32(s, 3);  // BI_BITFIELDS
  put32(s, data);
  put32(s, 2835);
  put32(s, 2835);
  put32(s, 0);
  put32(s, 0);
  put32(s, 0x00FF0000);
  put32(s, 0x0000FF00);
  put32(s, 0x000000FF);
  put32(s, 0xFF000000);
  put32(s, 0x73524742);  // 'sRGB'
  s.append(48, '\0');    // colour space endpoints and gamma
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) put32(s, pixels[static_cast<size_t>(y) * w + x]);
  std::string path = temp_path(name);
  std::ofstream(path, std::ios::binary) << s;
  return path;
}

std::string write_text(const char* name, const std::string& text) {
  std::string path = temp_path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

class D3dxLoaders : public D3d9Device {
 protected:
  void TearDown() override {
    for (auto* t : textures) t->Release();
    D3d9Device::TearDown();
  }
  IDirect3DTexture9* load(const std::string& path) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &texture), D3D_OK);
    if (texture) textures.push_back(texture);
    return texture;
  }
  std::vector<IDirect3DTexture9*> textures;
};

}  // namespace

TEST_F(D3dxLoaders, TextureRowZeroIsTheTopAndColoursKeepTheirOrder) {
  // Top row red, bottom row blue.
  IDirect3DTexture9* texture =
      load(write_bmp("rows.bmp", 2, 2, {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}));
  ASSERT_NE(texture, nullptr);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device->SetTexture(0, texture);
  clear(0xFF000000);
  device->BeginScene();
  draw(quad(-2, -2, 2, 2, 2, 0xFFFFFFFF));  // v = 0 on the quad's top edge
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 8), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(32, 56), 0x0000FF));
}

TEST_F(D3dxLoaders, TextureModulatesTheDiffuseColourAndSuppliesTheAlpha) {
  IDirect3DTexture9* half = load(write_bmp("half.bmp", 1, 1, {0x80FFFFFF}));
  IDirect3DTexture9* solid = load(write_bmp("solid.bmp", 1, 1, {0xFF808080}));
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  clear(0xFF000000);
  device->BeginScene();
  device->SetTexture(0, half);
  draw(quad(-2, 0, 0, 2, 2, 0xFF00FF00));  // white at half alpha x opaque green: half green
  device->SetTexture(0, solid);
  draw(quad(0, 0, 2, 2, 2, 0x00FFFF00));  // grey x yellow with the diffuse alpha 0: texture alpha wins
  device->SetTexture(0, nullptr);
  draw(quad(-2, -2, 2, 0, 2, 0xFFFF00FF));  // no texture: the diffuse colour passes through
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(16, 16), 0x008000));
  EXPECT_TRUE(rgb_near(pixel(48, 16), 0x808000));
  EXPECT_TRUE(rgb_near(pixel(32, 48), 0xFF00FF));
}

TEST_F(D3dxLoaders, MissingOrDamagedImagesFailCleanly) {
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device, "no_such_file.png", &texture),
            static_cast<HRESULT>(0x80070002));
  EXPECT_EQ(texture, nullptr);
  std::string good = write_bmp("good.bmp", 4, 4, std::vector<std::uint32_t>(16, 0xFF112233));
  std::ifstream in(good, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string truncated = write_text("truncated.bmp", bytes.substr(0, bytes.size() - 20));
  EXPECT_EQ(D3DXCreateTextureFromFileA(device, truncated.c_str(), &texture), D3DXERR_INVALIDDATA);
  EXPECT_EQ(
      D3DXCreateTextureFromFileA(device, write_text("junk.png", "\x89PNG not really").c_str(), &texture),
      D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);
}

TEST_F(D3dxLoaders, MeshSubsetsDrawOnlyTheirOwnFaces) {
  // Material 0: a quad on the left half; material 1: a triangle in the right half.
  const char* x =
      "xof 0303txt 0032\n"
      "Mesh twoParts {\n"
      " 7;\n"
      " -2.0; -2.0; 2.0;, -2.0; 2.0; 2.0;, 0.0; 2.0; 2.0;, 0.0; -2.0; 2.0;,\n"
      " 0.5; -1.5; 2.0;, 1.0; 1.5; 2.0;, 1.5; -1.5; 2.0;;\n"
      " 2;\n"
      " 4; 0, 1, 2, 3;,\n"
      " 3; 4, 5, 6;;\n"
      " MeshMaterialList {\n"
      "  2; 2; 0, 1;;\n"
      "  Material { 1.0; 1.0; 1.0; 1.0;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }\n"
      "  Material { 1.0; 0.0; 0.0; 1.0;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; TextureFilename { "
      "\"Skin.png\"; } }\n"
      " }\n"
      "}\n";
  std::string path = write_text("two.x", x);
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materials, nullptr, &count,
                               &mesh),
            D3D_OK);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(mesh->GetNumFaces(), 3u) << "the quad is two triangles";
  auto* list = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_EQ(list[0].pTextureFilename, nullptr);
  ASSERT_NE(list[1].pTextureFilename, nullptr);
  EXPECT_STREQ(list[1].pTextureFilename, "Skin.png");
  EXPECT_FLOAT_EQ(list[1].MatD3D.Diffuse.g, 0.0f);

  device->SetTexture(0, nullptr);
  clear(0xFF000000);
  device->BeginScene();
  EXPECT_EQ(mesh->DrawSubset(1), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(7), D3D_OK) << "a subset no face has draws nothing";
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(16, 32), 0x000000)) << "subset 0 was not asked for";
  EXPECT_TRUE(rgb_near(pixel(48, 32), 0xFFFFFF)) << "mesh vertices without colour are white";
  device->BeginScene();
  mesh->DrawSubset(0);
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(16, 32), 0xFFFFFF));
  materials->Release();
  mesh->Release();
}

TEST_F(D3dxLoaders, MalformedMeshesFailWithInvalidData) {
  const char* bad[] = {
      "xof 0303bin 0032\n",                                                     // binary form
      "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,5;; }\n",  // index past the vertices
      "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,",         // truncated
  };
  int n = 0;
  for (const char* text : bad) {
    std::string path = write_text(("bad" + std::to_string(n++) + ".x").c_str(), text);
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DXLoadMeshFromXA(path.c_str(), 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3DXERR_INVALIDDATA)
        << text;
    EXPECT_EQ(mesh, nullptr);
  }
}
