// The game's effect wrapper on a real device: the transforms it feeds the effect, the
// warning box for a file that does not compile or is missing (once per load, and the
// program carries on), and the silence about a technique the file lacks.
#include "gfx/shader_effect.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <string>

#include "d3d9/d3d9_internal.h"
#include "gfx/device.h"
#include "math/camera.h"
#include "platform/device_fixture.h"
#include "support/temp_folder.h"

namespace {

std::string write_effect(const std::string& name, const std::string& text) {
  std::string path = test_support::temp_path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A D3DX effect with the three transforms, a vertex shader passing the vertex colour and
// texture coordinates on, and a pixel shader whose body is `pixel_body`.
std::string effect_text(const char* technique, const char* pixel_body) {
  return std::string(
             "float4x4 World;\n"
             "float4x4 View;\n"
             "float4x4 Projection;\n"
             "\n"
             "struct VSOutput\n"
             "{\n"
             "    float4 Position : POSITION;\n"
             "    float4 Colour : COLOR0;\n"
             "    float2 UV : TEXCOORD0;\n"
             "};\n"
             "\n"
             "VSOutput VS(float3 position : POSITION, float4 colour : COLOR0, float2 uv : TEXCOORD0)\n"
             "{\n"
             "    VSOutput o;\n"
             "    o.Position = mul(mul(mul(float4(position, 1.0), World), View), Projection);\n"
             "    o.Colour = colour;\n"
             "    o.UV = uv;\n"
             "    return o;\n"
             "}\n"
             "\n"
             "float4 PS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0\n"
             "{\n"
             "    ") +
         pixel_body +
         "\n"
         "}\n"
         "\n"
         "technique " +
         technique +
         "\n"
         "{\n"
         "    pass P0\n"
         "    {\n"
         "        VertexShader = compile vs_3_0 VS();\n"
         "        PixelShader = compile ps_3_0 PS();\n"
         "    }\n"
         "}\n";
}

// The number of the line of `text` that holds `what` (1 for the first line).
int line_of(const std::string& text, const std::string& what) {
  const size_t at = text.find(what);
  if (at == std::string::npos) return 0;
  return 1 + count(text.substr(0, at), "\n");
}

class ShaderEffectTest : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    if (HasFatalFailure()) return;
    g_pd3d_render = device;
    D3DXVECTOR3 eye(0, 0, -2), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&g_view, &eye, &at, &up);
  }
  void TearDown() override {
    g_pd3d_render = nullptr;
    D3d9Device::TearDown();
  }
};

// The game's projection (45 degrees, aspect 1) seen from 2 units away: the pixel
// column of a point at x on the plane z = 0.
int column(float x) {
  return static_cast<int>(std::lround(32.0f + x * 32.0f / (2.0f * std::tan(0.3926991f))));
}

}  // namespace

TEST_F(ShaderEffectTest, DrawsWithTheCameraViewAndTheGameProjectionAndMovesWithNextWorld) {
  ShaderEffect* fx = load_effect(
      write_effect("draw.fx", effect_text("Main", "return colour * float4(1, 0, 0, 1);")).c_str(),
      "Main");
  ASSERT_NE(fx->effect, nullptr);
  IDirect3DVertexBuffer9* square = quad(-0.1f, -0.1f, 0.1f, 0.1f, 0.0f, 0xFFFFFFFF);
  D3DXMATRIX left, right;
  D3DXMatrixTranslation(&left, -0.5f, 0.0f, 0.0f);
  D3DXMatrixTranslation(&right, 0.5f, 0.0f, 0.0f);

  clear(0xFF000000);
  device->BeginScene();
  EXPECT_EQ(fx->begin_effect(left), D3D_OK);
  draw(square);
  EXPECT_EQ(fx->next_world(right), D3D_OK);
  draw(square);
  fx->end_effect();
  device->EndScene();

  EXPECT_TRUE(rgb_near(pixel(column(-0.5f), 32), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(column(0.5f), 32), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x000000)) << "nothing at the world origin";
  EXPECT_EQ(device->state->override.program, nullptr) << "end_effect ends the effect";
  delete fx;
}

TEST_F(ShaderEffectTest, ASyntaxErrorShowsTheWarningBoxOncePerLoadAndTheProgramCarriesOn) {
  const std::string text = effect_text("Main", "return colour * ;");
  const std::string path = write_effect("broken.fx", text);
  const std::string faulty_line = path + "(" + std::to_string(line_of(text, "colour * ;")) + "): error:";
  for (int load = 1; load <= 2; ++load) {
    testing::internal::CaptureStderr();
    ShaderEffect* fx = load_effect(path.c_str(), "Main");
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fx->effect, nullptr);
    EXPECT_EQ(count(shown, "Fx Compile Error"), 1) << "load " << load << ":\n" << shown;
    EXPECT_NE(shown.find(path), std::string::npos) << shown;
    EXPECT_NE(shown.find(faulty_line), std::string::npos) << "the faulty line\n" << shown;

    // Without an effect the wrapper touches nothing, and drawing goes on.
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    clear(0xFF000000);
    device->BeginScene();
    EXPECT_TRUE(FAILED(fx->begin_effect(world)));
    EXPECT_EQ(device->state->override.program, nullptr);
    draw(quad(-2, -2, 2, 2, 2, 0xFF00FF00));
    EXPECT_TRUE(FAILED(fx->next_world(world)));
    fx->end_effect();
    device->EndScene();
    EXPECT_TRUE(rgb_near(pixel(32, 32), 0x00FF00));
    delete fx;
  }
}

TEST_F(ShaderEffectTest, AMissingFileShowsTheWarningBoxNamingTheFile) {
  testing::internal::CaptureStderr();
  ShaderEffect* fx = load_effect("NoSuchEffect.fx", "Main");
  std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(fx->effect, nullptr);
  EXPECT_EQ(count(shown, "Fx Compile Error"), 1) << shown;
  EXPECT_NE(shown.find("NoSuchEffect.fx"), std::string::npos) << shown;
  delete fx;
}

TEST_F(ShaderEffectTest, ATechniqueTheFileLacksIsNotReportedAndTheFirstOneDraws) {
  std::string path =
      write_effect("lacking.fx", effect_text("Main", "return float4(0, 0, 1, 1);"));
  testing::internal::CaptureStderr();
  ShaderEffect* fx = load_effect(path.c_str(), "CurveShader");
  std::string shown = testing::internal::GetCapturedStderr();
  ASSERT_NE(fx->effect, nullptr);
  EXPECT_EQ(shown, "");

  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  clear(0xFF000000);
  device->BeginScene();
  EXPECT_EQ(fx->begin_effect(world), D3D_OK);
  draw(quad(-0.1f, -0.1f, 0.1f, 0.1f, 0.0f, 0xFFFFFFFF));
  fx->end_effect();
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(32, 32), 0x0000FF));
  delete fx;
}
