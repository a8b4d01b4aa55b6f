// Effects on the device, checked by their pixels: the matrices, textures and values an
// effect is given must reach its HLSL functions, End must leave the device as Begin found
// it, and faults must come back as text that names the file and the line.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>

#include "d3d9/d3d9_internal.h"
#include "d3d9/printable_text.h"
#include "d3dx9/effect_preprocess.h"
#include "device_fixture.h"
#include "support/temp_folder.h"

namespace {

std::string write_effect(const std::string& name, const std::string& text) {
  std::string path = test_support::temp_path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Parameters, samplers and a vertex function shared by the test effects; the pixel
// function and the pass's states vary.
const char* const kHead = R"(// test effect
float4x4 World, View, Projection;
texture image;
texture detail;
float gain = 0.25;
int level = 2147483647, which;
float4 tint = {1, 1, 1, 1};
sampler2D imageSampler = sampler_state { Texture = <image>; };
sampler2D detailSampler = sampler_state { Texture = <detail>; MagFilter = POINT; AddressU = CLAMP; };
struct VsOut { float4 position : POSITION; float2 uv : TEXCOORD0; };
VsOut MainVS(float3 position : POSITION, float2 uv : TEXCOORD0)
{
    VsOut o;
    o.position = mul(mul(mul(float4(position, 1), World), View), Projection);
    o.uv = uv;
    return o;
}
)";

int lines_of(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// kHead, the pixel function MainPS (its body on kHead's last line + 2), technique Main, pass P0.
std::string effect_text(const std::string& pass_states, const std::string& pixel_body) {
  return std::string(kHead) + "float4 MainPS(float2 uv : TEXCOORD0) : COLOR0 {\n" + pixel_body +
         "}\ntechnique Main\n{\n    pass P0\n    {\n" + pass_states +
         "        VertexShader = compile vs_3_0 MainVS();\n"
         "        PixelShader = compile ps_3_0 MainPS();\n    }\n}\n";
}

// Whether `text` holds `part`; the text is shown when it does not.
::testing::AssertionResult has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// The error text reaches the console and a message box: nothing but printable lines.
bool is_printable_lines(const std::string& text) {
  for (char c : text)
    if (c != '\n' && c != '\t' && (c < 0x20 || c > 0x7E)) return false;
  return true;
}

class D3dxEffects : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    if (HasFatalFailure()) return;
    // Camera at (0, 0, -2) looking along +z: at z = 0 the view spans -2 .. 2, 16 pixels a unit.
    D3DXVECTOR3 eye(0, 0, -2), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    D3DXMatrixIdentity(&identity);
  }

  void TearDown() override {
    for (auto* e : effects) e->Release();
    for (auto* t : textures) t->Release();
    D3d9Device::TearDown();
  }

  // D3DXCreateEffectFromFileA on `path`; its error text, which must be printable, in `errors`.
  HRESULT create(const std::string& path, ID3DXEffect** effect, std::string* errors) {
    ID3DXBuffer* buffer = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, effect, &buffer);
    errors->clear();
    if (buffer) {
      *errors = static_cast<const char*>(buffer->GetBufferPointer());
      EXPECT_EQ(errors->size() + 1, buffer->GetBufferSize()) << "one NUL, at the end";
      buffer->Release();
    }
    EXPECT_TRUE(is_printable_lines(*errors)) << *errors;
    return hr;
  }

  ID3DXEffect* load(const std::string& path) {
    ID3DXEffect* effect = nullptr;
    std::string errors;
    EXPECT_EQ(create(path, &effect, &errors), D3D_OK) << errors;
    EXPECT_EQ(errors, "") << "no error buffer";
    if (effect) effects.push_back(effect);
    if (effect) set_camera(effect, identity);
    return effect;
  }

  // Loads an effect expected to fail; returns the error text.
  std::string fail_to_load(const std::string& path, HRESULT* result = nullptr) {
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    std::string errors;
    const HRESULT hr = create(path, &effect, &errors);
    EXPECT_TRUE(FAILED(hr)) << path;
    EXPECT_EQ(effect, nullptr);
    if (result) *result = hr;
    return errors;
  }

  IDirect3DTexture9* solid(std::uint32_t argb) {
    std::uint8_t rgba[4] = {std::uint8_t(argb >> 16), std::uint8_t(argb >> 8), std::uint8_t(argb),
                            std::uint8_t(argb >> 24)};
    IDirect3DTexture9* t = D3d9TextureState::create_rgba(device, 1, 1, rgba);
    EXPECT_NE(t, nullptr);
    textures.push_back(t);
    return t;
  }

  void set_camera(ID3DXEffect* effect, const D3DXMATRIX& world) {
    EXPECT_EQ(effect->SetMatrix("World", &world), D3D_OK);
    EXPECT_EQ(effect->SetMatrix("View", &view), D3D_OK);
    EXPECT_EQ(effect->SetMatrix("Projection", &projection), D3D_OK);
  }

  // Begin, pass 0, a strip of two triangles, EndPass, End.
  void draw_with(ID3DXEffect* effect, IDirect3DVertexBuffer9* vb, UINT stride = sizeof(Vertex),
                 DWORD fvf = kFvf) {
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    device->SetStreamSource(0, vb, 0, stride);
    device->SetFVF(fvf);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
  }

  D3DXMATRIX view, projection, identity;
  std::vector<ID3DXEffect*> effects;
  std::vector<IDirect3DTexture9*> textures;
};

// Screen pixel of a point at z = 0 seen by the test camera, for a world x, y.
int px(float x) { return static_cast<int>((x + 2.0f) * 16.0f); }
int py(float y) { return static_cast<int>((2.0f - y) * 16.0f); }

}  // namespace

TEST_F(D3dxEffects, TheMatricesPutTheDrawWhereTheFixedFunctionPipelinePutsIt) {
  ID3DXEffect* effect = load(write_effect("place.fx", effect_text("", "    return float4(1, 1, 1, 1);\n")));
  ASSERT_NE(effect, nullptr);
  // A turned and moved quad, seen from above and to the side with the game's projection.
  D3DXMATRIX turn, move, world;
  D3DXMatrixRotationYawPitchRoll(&turn, 0.4f, 0.3f, 0.5f);
  D3DXMatrixTranslation(&move, 0.3f, -0.2f, 1.0f);
  D3DXMatrixMultiply(&world, &turn, &move);
  D3DXVECTOR3 eye(1.0f, 1.5f, -4.0f), at(0, 0, 1), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 0.1f, 15.0f);
  IDirect3DVertexBuffer9* vb = quad(-1, -1, 1, 0.5f, 0, 0xFFFFFFFF);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  clear(0xFF000000);
  device->BeginScene();
  draw(vb);
  device->EndScene();
  const std::vector<DWORD> fixed = back_buffer();
  set_camera(effect, world);
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, vb);
  device->EndScene();
  const long covered = std::count_if(fixed.begin(), fixed.end(), [](DWORD p) { return (p & 0xFFFFFF) != 0; });
  EXPECT_GT(covered, kSize * kSize / 10);
  EXPECT_LT(covered, kSize * kSize / 2);
  EXPECT_TRUE(back_buffer() == fixed) << "white on black, the same " << covered << " pixels";
}

// A texture parameter reaches its sampler's stage when the pass begins; a value set during
// the pass waits for CommitChanges, and a device SetTexture after BeginPass wins.
TEST_F(D3dxEffects, InAPassValuesWaitForCommitChangesAndADeviceSetTextureWins) {
  ID3DXEffect* effect = load(write_effect(
      "texture.fx", effect_text("", "    return tex2D(detailSampler, uv) + float4(gain, 0, 0, 0);\n")));
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* green = solid(0xFF00FF00);
  EXPECT_EQ(effect->SetTexture("detail", solid(0xFF0000FF)), D3D_OK);
  clear(0xFF000000);
  device->BeginScene();
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  draw(quad(-2, 0, 0, 2, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->SetFloat("gain", 1.0f), D3D_OK);
  draw(quad(-2, -2, 0, 0, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->CommitChanges(), D3D_OK);
  device->SetTexture(1, green);
  draw(quad(0, 0, 2, 2, 0, 0xFFFFFFFF));
  effect->EndPass();
  effect->End();
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1), py(1)), 0x4000FF)) << "the second sampler's texture on stage 1";
  EXPECT_TRUE(rgb_near(pixel(px(-1), py(-1)), 0x4000FF)) << "gain still as the pass began";
  EXPECT_TRUE(rgb_near(pixel(px(1), py(1)), 0xFFFF00)) << "gain committed, the device's texture";
}

TEST_F(D3dxEffects, FloatIntAndColourValuesReachTheShader) {
  ID3DXEffect* effect = load(write_effect("values.fx", effect_text("", R"(
    if (which == 0) return float4(gain, level / 255.0, 0, 1);
    if (which == 1) return float4(tint.rgb, 1);
    return float4(tint.a, 0, 0, 1);
)")));
  ASSERT_NE(effect, nullptr);
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, quad(-2, 1, -1, 2, 0, 0xFFFFFFFF));  // the initial values: gain 0.25, the largest int
  EXPECT_EQ(effect->SetFloat("gain", 0.5f), D3D_OK);
  EXPECT_EQ(effect->SetInt("level", 64), D3D_OK);
  draw_with(effect, quad(-1, 1, 0, 2, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->SetInt("which", 1), D3D_OK);
  EXPECT_EQ(effect->SetInt("tint", static_cast<INT>(0x80402010)), D3D_OK);
  draw_with(effect, quad(0, 1, 1, 2, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->SetFloat("which", 2.9f), D3D_OK) << "a float set on an int truncates";
  draw_with(effect, quad(1, 1, 2, 2, 0, 0xFFFFFFFF));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(1.5f)), 0x40FF00));
  EXPECT_TRUE(rgb_near(pixel(px(-0.5f), py(1.5f)), 0x804000));
  EXPECT_TRUE(rgb_near(pixel(px(0.5f), py(1.5f)), 0x402010)) << "SetInt on a float4 is a D3DCOLOR";
  EXPECT_TRUE(rgb_near(pixel(px(1.5f), py(1.5f)), 0x800000)) << "its alpha";

  EXPECT_EQ(effect->SetInt("missing", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetMatrix("gain", &identity), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("World", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat("tint", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat(nullptr, 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("detailSampler", nullptr), D3DERR_INVALIDCALL) << "a sampler is no parameter";
}

TEST_F(D3dxEffects, EndRestoresTheRenderStatesAndStagesThePassChanged) {
  ID3DXEffect* effect = load(write_effect(
      "restore.fx", effect_text("        AlphaBlendEnable = TRUE;\n        SrcBlend = one;\n"
                                "        DestBlend = ONE;  // additive\n        ZEnable = FALSE;\n"
                                "        Texture[2] = <image>; minfilter[2] = Linear;\n",
                                "    return tex2D(imageSampler, uv) * 0.25;\n")));
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* green = solid(0xFF00FF00);
  device->SetTexture(0, green);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  effect->SetTexture("image", solid(0xFFFFFFFF));
  const DWORD* states = device->state->renderStates;
  clear(0xFF400000);
  device->BeginScene();
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(states[D3DRS_ZENABLE], DWORD(D3DZB_FALSE));
  EXPECT_EQ(device->state->samplerStates[1][D3DSAMP_ADDRESSU], DWORD(D3DTADDRESS_CLAMP));
  EXPECT_EQ(device->state->samplerStates[1][D3DSAMP_MAGFILTER], DWORD(D3DTEXF_POINT));
  EXPECT_NE(device->state->textures[2], nullptr) << "the pass's Texture[2]";
  EXPECT_EQ(device->state->samplerStates[2][D3DSAMP_MINFILTER], DWORD(D3DTEXF_LINEAR));
  draw(quad(-2, 0, 0, 2, 0, 0xFFFFFFFF));  // white x 0.25 added to the clear colour
  effect->EndPass();
  ASSERT_EQ(effect->End(), D3D_OK);
  draw(quad(0, 0, 2, 2, 2, 0xFFFFFFFF));  // the fixed-function pipeline again (its view is the identity)
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1), py(1)), 0x804040));
  EXPECT_TRUE(rgb_near(pixel(px(1), py(1)), 0x00FF00)) << "stage 0 holds its texture again, blending is off";
  EXPECT_EQ(states[D3DRS_ALPHABLENDENABLE], DWORD(FALSE));
  EXPECT_EQ(states[D3DRS_SRCBLEND], DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(states[D3DRS_DESTBLEND], DWORD(D3DBLEND_ZERO));
  EXPECT_EQ(states[D3DRS_ZENABLE], DWORD(D3DZB_TRUE));
  EXPECT_EQ(device->state->textures[0], green);
  EXPECT_EQ(device->state->textures[1], nullptr);
  EXPECT_EQ(device->state->samplerStates[1][D3DSAMP_ADDRESSU], DWORD(D3DTADDRESS_WRAP));
  EXPECT_EQ(device->state->samplerStates[1][D3DSAMP_MAGFILTER], DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(device->state->textures[2], nullptr);
  EXPECT_EQ(device->state->samplerStates[2][D3DSAMP_MINFILTER], DWORD(D3DTEXF_POINT));
  EXPECT_EQ(device->state->override.program, nullptr);
}

// Without saving state, End leaves the pass's states but takes the program away.
TEST_F(D3dxEffects, PassesAreBracketedInOrderAndDoNotSaveStateLeavesThePassStates) {
  ID3DXEffect* effect =
      load(write_effect("order.fx", effect_text("        CullMode = CW;\n", "    return 1;\n")));
  ASSERT_NE(effect, nullptr);
  UINT passes = 0;
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL) << "before Begin";
  EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->Begin(&passes, 0x80), D3DERR_INVALIDCALL) << "an unknown flag";
  ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
  EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL) << "Begin twice";
  EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL) << "the technique has one pass";
  EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->CommitChanges(), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_NE(device->state->override.program, nullptr);
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL) << "a pass is open";
  EXPECT_EQ(effect->End(), D3D_OK) << "End closes an open pass";
  EXPECT_EQ(device->state->override.program, nullptr);
  EXPECT_EQ(device->state->renderStates[D3DRS_CULLMODE], DWORD(D3DCULL_CW));
}

TEST_F(D3dxEffects, AnEffectReleasedDuringAPassTakesItsProgramAlong) {
  ID3DXEffect* effect = nullptr;
  std::string errors;
  ASSERT_EQ(create(write_effect("gone.fx", effect_text("", "    return 1;\n")), &effect, &errors), D3D_OK);
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(0);
  EXPECT_EQ(effect->Release(), 0u);
  EXPECT_EQ(device->state->override.program, nullptr);
  clear(0xFF000000);
  device->BeginScene();
  draw(quad(-2, -2, 2, 2, 2, 0xFF00FF00));  // the fixed-function pipeline draws on
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x00FF00));
}

// The techniques here and in the other tests use every profile of shader models 1 to 3.
TEST_F(D3dxEffects, AnUnknownTechniqueFailsAndTheOneInUseStays) {
  const std::string text = std::string(kHead) + R"(
float4 RedPS() : COLOR0 { return float4(1, 0, 0, 1); }
float4 GreenPS() : COLOR0 { return float4(0, 1, 0, 1); }
technique Red { pass { VertexShader = compile vs_1_1 MainVS(); PixelShader = compile ps_2_a RedPS(); } }
technique Green { pass { VertexShader = compile vs_2_a MainVS(); PixelShader = compile ps_2_b GreenPS(); } }
)";
  ID3DXEffect* effect = load(write_effect("techniques.fx", text));
  ASSERT_NE(effect, nullptr);
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, quad(-2, 0, -1, 2, 0, 0xFFFFFFFF));  // the first technique until another is chosen
  EXPECT_EQ(effect->SetTechnique("Green"), D3D_OK);
  draw_with(effect, quad(-1, 0, 0, 2, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->SetTechnique("Blue"), D3DERR_INVALIDCALL);
  draw_with(effect, quad(0, 0, 1, 2, 0, 0xFFFFFFFF));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(1)), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(px(-0.5f), py(1)), 0x00FF00));
  EXPECT_TRUE(rgb_near(pixel(px(0.5f), py(1)), 0x00FF00));
}

// Vertex inputs are the device's attributes by their semantics, in any order and under any
// names; the vertex function comes from a file beside the effect, with a #define.
TEST_F(D3dxEffects, AnIncludedFunctionReadsTheVertexInputsByTheirSemantics) {
  write_effect("shared.fxh", R"(#define HALF 0.5
struct Inputs { float4 p : POSITION; float3 n : TEXCOORD1; float4 c : COLOR0; float2 t : TEXCOORD2; };
Inputs ShuffledVS(float2 t : TEXCOORD0, float4 c : COLOR, float3 n : NORMAL, float3 p : POSITION)
{
    Inputs o;
    o.p = mul(mul(mul(float4(p, 1), World), View), Projection);
    o.n = n * HALF; o.c = c; o.t = t;
    return o;
}
)");
  ID3DXEffect* effect = load(write_effect("semantics.fx", std::string(kHead) + R"(#include "shared.fxh"
float4 ShuffledPS(float2 t : TEXCOORD2, float3 n : TEXCOORD1, float4 c : COLOR0) : COLOR0
{ return float4(n.x, c.g, t.x, 1); }
technique T { pass { VertexShader = compile vs_2_0 ShuffledVS();
                     PixelShader = compile ps_2_0 ShuffledPS(); } }
)"));
  ASSERT_NE(effect, nullptr);
  struct Lit {
    float x, y, z, nx, ny, nz;
    D3DCOLOR color;
    float u, v;
  } corners[4];
  for (int i = 0; i < 4; ++i)
    corners[i] = {i % 2 ? 1.0f : -1.0f, i < 2 ? 1.0f : -1.0f, 0, 0.5f, 0, 0, 0xFF008000, 0.75f, 0};
  const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(sizeof corners, 0, fvf, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
  buffers.push_back(vb);
  void* data = nullptr;
  ASSERT_EQ(vb->Lock(0, sizeof corners, &data, 0), D3D_OK);
  std::memcpy(data, corners, sizeof corners);
  vb->Unlock();
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, vb, sizeof(Lit), fvf);
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(0), py(0)), 0x4080BF)) << "half the normal's x, the colour's green, u";
  EXPECT_TRUE(rgb_near(pixel(px(1.5f), py(0)), 0x000000));
}

// The HLSL compiler's messages come under a line naming the technique and the pass, each
// with the file and its line; however many passes fail, the log stays within its length.
TEST_F(D3dxEffects, CompilerErrorsNameThePassTheFileAndTheLineWithinTheLogLength) {
  const int pixel_line = lines_of(kHead) + 2;
  const std::string path = write_effect("broken.fx", effect_text("", "    return float4(1, 0, 0, 1) +;\n"));
  HRESULT hr = S_OK;
  std::string errors = fail_to_load(path, &hr);
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_EQ(errors.find(path + "(" + std::to_string(pixel_line + 4) +
                        "): error: technique 'Main', pass 'P0' does not compile:\n" + path + "(" +
                        std::to_string(pixel_line) + "): error: "),
            0u)
      << errors;
  std::string text = effect_text("", "    return 1;\n");
  text.replace(text.find("o.uv = uv;"), 10, "o.uv = uv * Scale;");  // a name the file does not declare
  errors = fail_to_load(write_effect("broken2.fx", text));
  EXPECT_TRUE(has(
      errors, "broken2.fx(" + std::to_string(lines_of(kHead) - 2) + "): error: 'Scale' : unknown variable"));
  text = std::string(kHead) + "float4 BadPS() : COLOR0 { return 1 +; }\ntechnique Main\n{\n";
  for (int i = 0; i < 200; ++i)
    text += "  pass P" + std::to_string(i) +
            " { VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 BadPS(); }\n";
  errors = fail_to_load(write_effect("passes.fx", text + "}\n"));
  EXPECT_LE(errors.size(), d3d9::kLogBytes);
  EXPECT_TRUE(d3d9::log_is_cut(errors)) << errors;
  EXPECT_TRUE(has(errors, "pass 'P1' does not compile:\n" + test_support::temp_path("passes.fx(") +
                              std::to_string(pixel_line - 1) + "): error: "));
  EXPECT_EQ(errors.find("pass 'P199'"), std::string::npos) << errors;
}

// The compilers repeat the file's bytes (an #include's name, the name a #line gives, a long
// name): they come back as escapes, a long line cut short.
TEST_F(D3dxEffects, BytesTheCompilersRepeatFromTheFileComeBackAsEscapes) {
  std::string errors = fail_to_load(write_effect("include.fx", "#include \"\x01\x1b[2J\xff.fxh\"\n"));
  EXPECT_TRUE(has(errors, "include.fx(1): error: cannot open the included file '\\x01\\x1B[2J\\xFF.fxh'\n"));
  errors = fail_to_load(
      write_effect("line.fx", "#line 7 \"\x1b[2J\\x41\"\n" + effect_text("", "    return 1 +;\n")));
  EXPECT_TRUE(has(errors, "\n\\x1B[2J\\\\x41(" + std::to_string(lines_of(kHead) + 8) + "): error: "));
  errors =
      fail_to_load(write_effect("long.fx", effect_text("", "    return " + std::string(1000, 'C') + ";\n")));
  EXPECT_TRUE(std::regex_search(errors, std::regex("long\\.fx\\(\\d+\\): error: 'C{300,400}\\.\\.\\.\n")))
      << errors;
  std::string words;
  for (int i = 0; i < 20000; ++i) words += " A";
  errors = fail_to_load(write_effect("words.fx", "#error" + words + "\n"));
  const std::regex cut_error("words\\.fx\\(1\\): error: #error( A){100,200} ?\\.\\.\\.\n$");
  EXPECT_TRUE(std::regex_search(errors, cut_error)) << errors;
  EXPECT_LE(errors.size(), d3d9::kLogBytes);
}

namespace {

// `text` `n` times.
std::string repeated(const std::string& text, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += text;
  return out;
}

}  // namespace

// The preprocessor as D3DX's: macros with arguments, # and ##, conditions, #pragma kept for
// the compiler, each line of the file one line of the text, and an included file's lines
// named by that file in every message: the preprocessor's, the reader's and the compiler's.
TEST_F(D3dxEffects, ThePreprocessorReplacesMacrosKeepsTheLinesAndNamesIncludedFiles) {
  const std::string source =
      "#define SQUARE(x) ((x) * (x))\n"
      "#define NAME(a, b) a ## b\n"
      "#define TEXT(x) #x\n"
      "#define TEXT_OF(x) TEXT(x)\n"
      "#define CALL(f, ...) f(__VA_ARGS__)\n"
      "#define TWO 2 /* a comment */\n"
      "#define SELF SELF + 1\n"
      "float NAME(scale, TWO) = SQUARE(TWO + 1); // nine\n"
      "string s = TEXT(a \"b\\n\"  TWO), t = TEXT_OF(TWO);\n"
      "float4 c = CALL(float4, 1, TWO,\n"
      "                3, 4); int SELF;\n"
      "#if defined(TWO) && TWO * 3 == 6 && !defined NONE && (TWO > 1 ? -1 : 1) < 0 && 0x10 == 020\n"
      "int yes1;\n"
      "#elif 1\n"
      "int no1;\n"
      "#endif\n"
      "#if TWO == 3\n"
      "int no2;\n"
      "#elif TWO == 2 && NONE == 0 && -1 > 0u && (7 >> 1) % 2 == 1\n"
      "int yes2;\n"
      "#else\n"
      "int no3;\n"
      "#endif\n"
      "#pragma pack_matrix(row_major)\n"
      "int line = __LINE__; \\\n"
      "int spliced;\n";
  // Each line of the file is one line of the text; a call's text is on the line of its name.
  const std::string expected =
      "\n\n\n\n\n\n\n"
      "float scaleTWO = ((2 + 1) * (2 + 1));\n"
      "string s = \"a \\\"b\\\\n\\\" TWO\" , t = \"2\" ;\n"
      "float4 c = float4(1, 2, 3, 4)\n"
      " ; int SELF + 1;\n"
      "\nint yes1;\n\n\n\n\n\n\nint yes2;\n\n\n\n"
      "#pragma pack_matrix(row_major)\n"
      "int line = 25 ;\n"
      "int spliced;\n";
  std::string out, errors;
  ASSERT_TRUE(d3dx9::preprocess_effect(source, "macros.fx", &out, &errors)) << errors;
  // Blanks run together: the columns are not the point here.
  out.erase(std::unique(out.begin(), out.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
            out.end());
  EXPECT_EQ(out, expected);

  // The top file includes outer.fxh on its line 3, which includes inner.fxh on its line 2.
  write_effect("outer.fxh", "float outerOne;\n#include \"inner.fxh\"\nfloat outerThree;\n");
  write_effect("inner.fxh",
               "float4 innerTint() { return float4(1, 1, 1, 1); }\n"
               "#ifdef STOP\n"
               "#error stopped in inner.fxh\n"
               "#endif\n"
               "float4 innerValue() { return VALUE; }\n");
  auto top = [](const std::string& value, const std::string& rest) {
    return "#define VALUE " + value + "\n// top\n#include \"outer.fxh\"\n" + rest;
  };
  const int pixel_line = 3 + lines_of(kHead) + 2;  // MainPS's body in top(..., effect_text(...))
  errors = fail_to_load(write_effect("stop.fx", "#define STOP\n" + top("1", "")));
  EXPECT_EQ(errors, test_support::temp_path("inner.fxh(3): error: #error stopped in inner.fxh\n"));
  const std::string sampler = "texture image;\nsampler2D s = sampler_state { Texture = <nothing>; };\n";
  errors = fail_to_load(write_effect("top.fx", top("1", sampler)));
  EXPECT_EQ(
      errors.find(test_support::temp_path("top.fx(5,41): error: sampler 's': no texture called 'nothing'")),
      0u)
      << errors;
  errors = fail_to_load(write_effect("top.fx", top("1 +", effect_text("", "    return innerTint();\n"))));
  EXPECT_TRUE(has(errors, test_support::temp_path("inner.fxh(5): error: "))) << errors;
  errors = fail_to_load(write_effect("top.fx", top("1", effect_text("", "    return innerTint() +;\n"))));
  EXPECT_TRUE(has(errors, test_support::temp_path("top.fx(" + std::to_string(pixel_line) + "): error: ")));
  const std::string pixel = "    return innerTint() * innerValue();\n";
  EXPECT_NE(load(write_effect("top.fx", top("1", effect_text("", pixel)))), nullptr);
}

// Whatever the file, the preprocessor ends soon: macros that double at every level (in the
// text, where the text's length stops them, and in an #if, where the macro budget does), a
// file including itself, #if groups and brackets nested past any use are refused by name.
TEST_F(D3dxEffects, ThePreprocessorRefusesFilesThatWouldNotEndNamingTheFileAndLine) {
  std::string doubling = "#define A0 x\n", doubling_calls = "#define F0(x) x\n";
  for (int i = 1; i < 40; ++i) {
    const std::string n = std::to_string(i), before = std::to_string(i - 1);
    doubling += "#define A" + n + " A" + before + " A" + before + "\n";
    doubling_calls += "#define F" + n + "(x) F" + before + "(x) F" + before + "(x)\n";
  }
  const struct {
    const char* name;
    std::string text;
    const char* fault;
  } kCases[] = {
      {"doubling.fx", doubling + "float A39;\n", "(41): error: the preprocessed text passes the limit of"},
      {"doubling_if.fx", doubling + "#if A39\n#endif\n", "(41): error: macro expansion passes the limit of"},
      {"calls.fx", doubling_calls + "F39(float a;)\n",
       "(41): error: the preprocessed text passes the limit of"},
      {"calls_if.fx", doubling_calls + "#if F39(1)\n#endif\n",
       "(41): error: macro expansion passes the limit of"},
      {"self.fx", "float a;\n#include \"self.fx\"\n", "(2): error: #include nests more than 16 files deep"},
      {"if.fx", repeated("#if 1\n", 5000), "(65): error: #if groups nest more than 64 deep"},
      {"brackets.fx", "\n#if " + repeated("(", 20000) + "1" + repeated(")", 20000) + "\n#endif\n",
       "(2): error: the #if expression nests more than 64 deep"},
      {"arguments.fx",
       "#define F(x) x\n\n\nfloat " + repeated("F(", 10000) + "1" + repeated(")", 10000) + ";\n",
       "(4): error: macro calls nest more than 64 deep in arguments"},
  };
  for (const auto& c : kCases) {
    const std::string path = write_effect(c.name, c.text);
    const std::string errors = fail_to_load(path);
    EXPECT_EQ(errors.find(path + c.fault), 0u) << c.name << ":\n" << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  }
}

TEST_F(D3dxEffects, FrameworkFaultsAreReportedOneByOneWithFileLineAndColumn) {
  const std::string text =
      "float4x5 Turn;\n"                                         // 1: unknown type
      "texture image;\n"                                         // 2
      "sampler2D s = sampler_state { Texture = <nothing>; };\n"  // 3: no such texture
      "sampler2D t = sampler_state { MinFilter = BLURRY; };\n"   // 4: no such filter
      "float4 PS() : COLOR0 { return 1; }\n"                     // 5
      "technique T {\n"                                          // 6
      "    pass P {\n"                                           // 7: so it has no vertex shader
      "        SrcBlend = Sometimes;\n"                          // 8: no such value
      "        FogEnable = TRUE;\n"                              // 9: no such render state
      "        VertexShader = compile vs_4_0 PS();\n"            // 10: a Direct3D 10 profile
      "        PixelShader = compile ps_3_0 Missing();\n"        // 11: no such function
      "    }\n}\n";
  const std::string path = write_effect("format.fx", text);
  HRESULT hr = S_OK;
  const std::string errors = fail_to_load(path, &hr);
  EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
  const char* const kFaults[] = {
      "(1,1): error: the type 'float4x5' of parameter 'Turn' is not supported",
      "(3,41): error: sampler 's': no texture called 'nothing'",
      "(4,43): error: 'BLURRY' is not a value of MinFilter",
      "(8,20): error: 'Sometimes' is not a value of SrcBlend",
      "(9,9): error: unknown render state 'FogEnable'",
      "(10,32): error: 'vs_4_0' is not a vertex shader profile",
      "(7,5): error: pass 'P' has no vertex shader",
      "(11,38): error: no function called 'Missing' in the file",
  };
  for (const char* fault : kFaults) EXPECT_TRUE(has(errors, path + fault));
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 8) << errors;
}

TEST_F(D3dxEffects, AMissingTruncatedOrBinaryFileFailsNamingTheFileAndBackslashesAreFolders) {
  EXPECT_TRUE(
      has(fail_to_load(test_support::temp_path("absent.fx")), test_support::temp_path("absent.fx: ")));
  const std::string full = effect_text("        CullMode = CW;\n", "    return tex2D(imageSampler, uv);\n");
  const std::regex names_a_line("^" + test_support::temp_path("cut\\.fx") + "\\(\\d+(,\\d+)?\\): error: ");
  for (size_t n = 0; n + 1 < full.size(); n += 13) {
    const std::string errors = fail_to_load(write_effect("cut.fx", full.substr(0, n)));
    EXPECT_TRUE(std::regex_search(errors, names_a_line)) << "cut after " << n << " bytes\n" << errors;
  }
  for (unsigned seed = 1; seed <= 3; ++seed) {
    std::mt19937 random(seed);
    std::string bytes = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(random());
    const std::string errors = fail_to_load(write_effect("binary.fx", bytes));
    EXPECT_TRUE(std::regex_search(errors, std::regex("binary\\.fx\\(\\d+(,\\d+)?\\): error: "))) << errors;
  }
  std::string path = write_effect("found.fx", full);
  std::replace(path.begin(), path.end(), '/', '\\');
  EXPECT_NE(load(path), nullptr);
}

// An effect written as Direct3D 9's samples write them: the vertex shader's output struct
// (with its POSITION and FOG) reused as the pixel shader's input, uniform parameters given
// by compile expressions, shader variables, bool, matrix and array parameters with initial
// values, VPOS and VFACE. Each technique's picture is the one its pixel shader describes.
TEST_F(D3dxEffects, EffectsInTheOrdinaryDirect3D9StyleDrawAsTheirPixelShadersSay) {
  const std::string path = write_effect("samples.fx", R"(
float4x4 World : WORLD, View : VIEW, Projection : PROJECTION;
bool Bright < string UIName = "Bright"; > = true;
row_major float3x3 Turn = {0, 1, 0,  0, 0, 1,  1, 0, 0};
half4 Palette[3] = { {1, 0, 0, 1}, {0, 1, 0, 1}, float4(0, 0, 1, 1) };
string Author = "VORNEX";
struct VS_OUTPUT { float4 Position : POSITION; float2 UV : TEXCOORD0; float Fog : FOG; };
VS_OUTPUT RenderSceneVS(float4 Pos : POSITION, float2 UV : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Position = mul(Pos, mul(World, mul(View, Projection)));
    Out.UV = UV;
    Out.Fog = 1;
    return Out;
}
float4 PaletteColour(VS_OUTPUT In, uniform int index, uniform bool half_bright) : COLOR0
{
    return Palette[index] * (half_bright ? 0.5 : 1.0);
}
float4 Turned(VS_OUTPUT In) : COLOR0
{
    return float4(mul(float3(1, 0.5, 0.25), Turn) * (Bright ? 1.0 : 0.5), 1);
}
float4 Position(float2 vpos : VPOS) : COLOR0 { return float4(vpos / 255.0, 0, 1); }
float4 Facing(float face : VFACE) : COLOR0 { return face > 0 ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1); }
VertexShader SceneVS = compile vs_3_0 RenderSceneVS();
PixelShader DimBlue = compile ps_3_0 PaletteColour(2, true);
technique Literal { pass P0 { VertexShader = (SceneVS); PixelShader = compile ps_2_0 PaletteColour(1, false); } }
technique Variables { pass P0 { VertexShader = <SceneVS>; PixelShader = (DimBlue); } }
technique Matrix { pass P0 { VertexShader = (SceneVS); PixelShader = compile ps_2_0 Turned(); } }
technique Pixels < string Note = "VPOS"; > { pass P0 { VertexShader = (SceneVS); PixelShader = compile ps_3_0 Position(); } }
technique Faces { pass P0 { cullmode = none; ZENABLE = true; VertexShader = (SceneVS); PixelShader = compile ps_3_0 Facing(); } }
)");
  ID3DXEffect* effect = load(path);
  ASSERT_NE(effect, nullptr);
  auto draw_technique = [&](const char* technique, IDirect3DVertexBuffer9* vb) {
    ASSERT_EQ(effect->SetTechnique(technique), D3D_OK) << technique;
    draw_with(effect, vb);
  };
  clear(0xFF000000);
  device->BeginScene();
  draw_technique("Literal", quad(-2, 1, -1, 2, 0, 0xFFFFFFFF));
  draw_technique("Variables", quad(-1, 1, 0, 2, 0, 0xFFFFFFFF));
  draw_technique("Matrix", quad(0, 1, 1, 2, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->SetInt("Bright", 0), D3D_OK);
  draw_technique("Matrix", quad(1, 1, 2, 2, 0, 0xFFFFFFFF));
  draw_technique("Pixels", quad(-2, -2, 0, 1, 0, 0xFFFFFFFF));
  draw_technique("Faces", quad(0.5f, -2, 1.5f, 0, 0, 0xFFFFFFFF));
  D3DXMATRIX mirror;
  D3DXMatrixScaling(&mirror, -1, 1, 1);  // the same quad, wound the other way, at x -1.5 .. -0.5
  set_camera(effect, mirror);
  draw_technique("Faces", quad(0.5f, 0, 1.5f, 1, 0, 0xFFFFFFFF));
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(1.5f)), 0x00FF00)) << "Palette[1] by a literal argument";
  EXPECT_TRUE(rgb_near(pixel(px(-0.5f), py(1.5f)), 0x000080)) << "Palette[2] halved, through shader variables";
  EXPECT_TRUE(rgb_near(pixel(px(0.5f), py(1.5f)), 0x40FF80)) << "(1, 0.5, 0.25) times Turn, row by row";
  EXPECT_TRUE(rgb_near(pixel(px(1.5f), py(1.5f)), 0x208040)) << "Bright set false";
  EXPECT_TRUE(rgb_near(pixel(8, 40), 0x082800)) << "VPOS: the pixel's column and row from the top left";
  EXPECT_TRUE(rgb_near(pixel(20, 60), 0x143C00));
  EXPECT_TRUE(rgb_near(pixel(px(1), py(-1)), 0x00FF00)) << "VFACE positive on the front face";
  EXPECT_TRUE(rgb_near(pixel(px(-1), py(0.5f)), 0xFF0000)) << "VFACE negative on the back face";

  // A pixel shader that reads the POSITION the vertex shader passed along is refused, naming it.
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  text.replace(text.find("return Palette[index]"), 21, "return In.Position");
  HRESULT hr = S_OK;
  EXPECT_TRUE(has(fail_to_load(write_effect("position.fx", text), &hr),
                  "error: function 'PaletteColour': the pixel shader reads the input semantic 'POSITION0', which the "
                  "pixel stage does not have"));
  EXPECT_EQ(hr, E_FAIL);
}
