// Effects on the device, checked by their pixels: the matrices, textures and values an
// effect is given must reach its GLSL, End must leave the device as Begin found it, and
// faults must come back as text that names the file and the line.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <regex>
#include <string>

#include "d3d9/d3d9_internal.h"
#include "device_fixture.h"
#include "support/temp_folder.h"

namespace {

std::string write_effect(const std::string& name, const std::string& text) {
  std::string path = test_support::temp_path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Declarations and a vertex shader shared by the test effects; the pixel shader varies.
const char* const kHead = R"(// test effect
parameter float4x4 World
parameter float4x4 View
parameter float4x4 Projection
parameter texture image stage 0
parameter texture detail stage 1 filter point address clamp
parameter float gain = 0.25
parameter int level
parameter int which
parameter color tint = 0xFFFFFFFF
)";

const char* const kVertex = R"(    vertex
      in vec3 in_position;
      in vec2 in_texcoord;
      out vec2 uv;
      void main() {
        gl_Position = Projection * (View * (World * vec4(in_position, 1.0)));
        uv = in_texcoord;
      }
    end
)";

std::string effect_text(const std::string& pass_lines, const std::string& pixel_body) {
  return std::string(kHead) + "technique Main\n  pass P0\n" + pass_lines + kVertex +
         "    pixel\n      in vec2 uv;\n" + pixel_body + "    end\n";
}

std::string buffer_text(ID3DXBuffer* buffer) {
  if (!buffer) return "";
  const char* text = static_cast<const char*>(buffer->GetBufferPointer());
  EXPECT_EQ(text[buffer->GetBufferSize() - 1], '\0') << "NUL-terminated";
  return text;
}

class D3dxEffects : public D3d9Device {
 protected:
  void SetUp() override {
    D3d9Device::SetUp();
    if (HasFatalFailure()) return;
    // Camera at (0, 0, -2) looking along +z: at z = 0 the view spans -2 .. 2, 16
    // pixels a unit.
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

  ID3DXEffect* load(const std::string& path) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
    EXPECT_EQ(hr, D3D_OK) << buffer_text(errors);
    EXPECT_EQ(errors, nullptr);
    if (errors) errors->Release();
    if (effect) effects.push_back(effect);
    return effect;
  }

  // Loads an effect expected to fail; returns the error text.
  std::string fail_to_load(const std::string& path, HRESULT* result = nullptr) {
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(effect, nullptr);
    if (result) *result = hr;
    std::string text = buffer_text(errors);
    if (errors) errors->Release();
    return text;
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

  // Begin, pass 0, a quad over the rectangle, EndPass, End.
  void draw_with(ID3DXEffect* effect, float x0, float y0, float x1, float y1) {
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    draw(quad(x0, y0, x1, y1, 0, 0xFFFFFFFF));
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

TEST_F(D3dxEffects, TheMatricesPutTheDrawWhereWorldViewAndProjectionPlaceIt) {
  ID3DXEffect* effect = load(
      write_effect("place.fx", effect_text("", "      void main() { frag_color = vec4(1, 0, 0, 1); }\n")));
  ASSERT_NE(effect, nullptr);
  // The quad spans 0..1 on both axes; World moves it left by 2 and up by 1, and a view
  // raised by 1 moves everything down by 1: it lands on x -2..-1, y 0..1.
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, -2.0f, 1.0f, 0.0f);
  D3DXVECTOR3 eye(0, 1, -2), at(0, 1, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  set_camera(effect, world);
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, 0, 0, 1, 1);
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(0.5f)), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(1.5f)), 0x000000)) << "the view's height was ignored";
  EXPECT_TRUE(rgb_near(pixel(px(0.5f), py(0.5f)), 0x000000)) << "the world's translation was ignored";
  EXPECT_TRUE(rgb_near(pixel(px(-0.5f), py(0.5f)), 0x000000));
}

TEST_F(D3dxEffects, ATextureParameterReachesItsSamplerAndADeviceSetTextureAfterBeginPassWins) {
  ID3DXEffect* effect = load(write_effect(
      "texture.fx", effect_text("", "      void main() { frag_color = texture(detail, uv); }\n")));
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* blue = solid(0xFF0000FF);
  IDirect3DTexture9* green = solid(0xFF00FF00);
  set_camera(effect, identity);
  EXPECT_EQ(effect->SetTexture("detail", blue), D3D_OK);
  clear(0xFF000000);
  device->BeginScene();
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  draw(quad(-2, 0, 0, 2, 0, 0xFFFFFFFF));
  device->SetTexture(1, green);
  draw(quad(0, 0, 2, 2, 0, 0xFFFFFFFF));
  effect->EndPass();
  effect->End();
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1), py(1)), 0x0000FF)) << "the parameter's texture on stage 1";
  EXPECT_TRUE(rgb_near(pixel(px(1), py(1)), 0x00FF00)) << "the device's texture set after BeginPass";
}

TEST_F(D3dxEffects, FloatIntAndColourValuesReachTheShader) {
  ID3DXEffect* effect = load(write_effect("values.fx", effect_text("", R"(      void main() {
        if (which == 0) frag_color = vec4(gain, float(level) / 255.0, 0.0, 1.0);
        else if (which == 1) frag_color = vec4(tint.rgb, 1.0);
        else frag_color = vec4(tint.a, 0.0, 0.0, 1.0);
      }
)")));
  ASSERT_NE(effect, nullptr);
  set_camera(effect, identity);
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, -2, 1, -1, 2);  // the initial values: gain 0.25, level 0
  EXPECT_EQ(effect->SetFloat("gain", 0.5f), D3D_OK);
  EXPECT_EQ(effect->SetInt("level", 64), D3D_OK);
  draw_with(effect, -1, 1, 0, 2);
  EXPECT_EQ(effect->SetInt("which", 1), D3D_OK);
  EXPECT_EQ(effect->SetInt("tint", static_cast<INT>(0x80402010)), D3D_OK);
  draw_with(effect, 0, 1, 1, 2);
  EXPECT_EQ(effect->SetFloat("which", 2.9f), D3D_OK) << "a float set on an int truncates";
  draw_with(effect, 1, 1, 2, 2);
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(1.5f)), 0x400000));
  EXPECT_TRUE(rgb_near(pixel(px(-0.5f), py(1.5f)), 0x804000));
  EXPECT_TRUE(rgb_near(pixel(px(0.5f), py(1.5f)), 0x402010)) << "a colour set as 0xAARRGGBB";
  EXPECT_TRUE(rgb_near(pixel(px(1.5f), py(1.5f)), 0x800000)) << "its alpha";

  EXPECT_EQ(effect->SetInt("missing", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetMatrix("gain", &identity), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("World", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat("tint", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat(nullptr, 1.0f), D3DERR_INVALIDCALL);
}

TEST_F(D3dxEffects, ValuesSetDuringAPassWaitForCommitChanges) {
  ID3DXEffect* effect = load(write_effect(
      "commit.fx", effect_text("", "      void main() { frag_color = vec4(gain, 0, 0, 1); }\n")));
  ASSERT_NE(effect, nullptr);
  set_camera(effect, identity);
  clear(0xFF000000);
  device->BeginScene();
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(0);
  effect->SetFloat("gain", 1.0f);
  draw(quad(-2, 0, 0, 2, 0, 0xFFFFFFFF));
  EXPECT_EQ(effect->CommitChanges(), D3D_OK);
  draw(quad(0, 0, 2, 2, 0, 0xFFFFFFFF));
  effect->EndPass();
  effect->End();
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1), py(1)), 0x400000));
  EXPECT_TRUE(rgb_near(pixel(px(1), py(1)), 0xFF0000));
}

TEST_F(D3dxEffects, EndRestoresTheRenderStatesAndStagesThePassChanged) {
  ID3DXEffect* effect = load(write_effect(
      "restore.fx", effect_text("    state AlphaBlendEnable = TRUE\n    state SrcBlend = one\n"
                                "    state DestBlend = ONE  // additive\n    state ZEnable = FALSE\n",
                                "      void main() { frag_color = texture(image, uv) * 0.25; }\n")));
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* green = solid(0xFF00FF00);
  IDirect3DTexture9* white = solid(0xFFFFFFFF);
  set_camera(effect, identity);
  device->SetTexture(0, green);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  effect->SetTexture("image", white);
  const DWORD* states = device->state->renderStates;

  clear(0xFF400000);
  device->BeginScene();
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(states[D3DRS_ALPHABLENDENABLE], DWORD(TRUE));
  EXPECT_EQ(states[D3DRS_ZENABLE], DWORD(D3DZB_FALSE));
  EXPECT_EQ(device->state->samplerStates[1][D3DSAMP_ADDRESSU], DWORD(D3DTADDRESS_CLAMP));
  draw(quad(-2, 0, 0, 2, 0, 0xFFFFFFFF));  // white x 0.25 added to the clear colour
  effect->EndPass();
  ASSERT_EQ(effect->End(), D3D_OK);
  // The fixed-function pipeline again, with stage 0 and the states as before Begin.
  draw(quad(0, 0, 2, 2, 2, 0xFFFFFFFF));  // z = 2: the device's own view is the identity
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
  EXPECT_EQ(device->state->override.program, nullptr);
}

TEST_F(D3dxEffects, WithoutSavingStateEndLeavesThePassStatesButTakesTheProgramAway) {
  ID3DXEffect* effect =
      load(write_effect("nosave.fx", effect_text("    state CullMode = CW\n",
                                                 "      void main() { frag_color = vec4(1); }\n")));
  ASSERT_NE(effect, nullptr);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_NE(device->state->override.program, nullptr);
  effect->EndPass();
  effect->End();
  EXPECT_EQ(device->state->renderStates[D3DRS_CULLMODE], DWORD(D3DCULL_CW));
  EXPECT_EQ(device->state->override.program, nullptr);
}

TEST_F(D3dxEffects, PassesAreBracketedInOrder) {
  ID3DXEffect* effect =
      load(write_effect("order.fx", effect_text("", "      void main() { frag_color = vec4(1); }\n")));
  ASSERT_NE(effect, nullptr);
  UINT passes = 0;
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL) << "before Begin";
  EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL) << "Begin twice";
  EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL) << "the technique has one pass";
  EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->CommitChanges(), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL) << "a pass is open";
  EXPECT_EQ(effect->End(), D3D_OK) << "End closes an open pass";
  EXPECT_EQ(device->state->override.program, nullptr);
}

TEST_F(D3dxEffects, AnEffectReleasedDuringAPassTakesItsProgramAlong) {
  ID3DXEffect* effect = nullptr;
  ASSERT_EQ(
      D3DXCreateEffectFromFileA(
          device,
          write_effect("gone.fx", effect_text("", "      void main() { frag_color = vec4(1, 0, 0, 1); }\n"))
              .c_str(),
          nullptr, nullptr, 0, nullptr, &effect, nullptr),
      D3D_OK);
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

TEST_F(D3dxEffects, AnUnknownTechniqueFailsAndTheOneInUseStays) {
  std::string text = std::string(kHead);
  for (const char* t : {"Red", "Green"}) {
    text += std::string("technique ") + t + "\n  pass\n" + kVertex +
            "    pixel\n      void main() { frag_color = " +
            (t[0] == 'R' ? "vec4(1, 0, 0, 1)" : "vec4(0, 1, 0, 1)") + "; }\n    end\n";
  }
  ID3DXEffect* effect = load(write_effect("techniques.fx", text));
  ASSERT_NE(effect, nullptr);
  set_camera(effect, identity);
  clear(0xFF000000);
  device->BeginScene();
  draw_with(effect, -2, 0, -1, 2);  // the first technique until another is chosen
  EXPECT_EQ(effect->SetTechnique("Green"), D3D_OK);
  draw_with(effect, -1, 0, 0, 2);
  EXPECT_EQ(effect->SetTechnique("Blue"), D3DERR_INVALIDCALL);
  draw_with(effect, 0, 0, 1, 2);
  device->EndScene();
  EXPECT_TRUE(rgb_near(pixel(px(-1.5f), py(1)), 0xFF0000));
  EXPECT_TRUE(rgb_near(pixel(px(-0.5f), py(1)), 0x00FF00));
  EXPECT_TRUE(rgb_near(pixel(px(0.5f), py(1)), 0x00FF00));
}

TEST_F(D3dxEffects, AGlslErrorGivesTheCompilersMessageWithFileAndLine) {
  // Line 25 of the file is the pixel shader's faulty line.
  std::string text = effect_text("", "      void main() {\n        frag_color = vec4(1) +;\n      }\n");
  std::string path = write_effect("broken.fx", text);
  HRESULT hr = S_OK;
  std::string errors = fail_to_load(path, &hr);
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_NE(errors.find(path), std::string::npos) << errors;
  EXPECT_NE(errors.find("pixel shader"), std::string::npos) << errors;
  EXPECT_TRUE(std::regex_search(errors, std::regex(":25\\("))) << errors;
  EXPECT_EQ(errors.find("vertex shader"), std::string::npos) << "the vertex shader is sound\n" << errors;

  // A fault in the vertex shader, and a use of a parameter the file does not declare.
  std::string vertex_fault = text;
  vertex_fault.replace(vertex_fault.find("uv = in_texcoord;"), 17, "uv = in_texcoord * Scale;");
  errors = fail_to_load(write_effect("broken2.fx", vertex_fault));
  EXPECT_TRUE(std::regex_search(errors, std::regex("vertex shader: .*:19\\("))) << errors;
}

// The error text reaches the console and a message box: nothing but printable lines.
bool is_printable_lines(const std::string& text) {
  for (char c : text)
    if (c != '\n' && c != '\t' && (c < 0x20 || c > 0x7E)) return false;
  return true;
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Mesa's preprocessor repeats an #error line as the file has it: the bytes the log repeats
// come back as escapes, with the file's own line numbers.
TEST_F(D3dxEffects, BytesTheCompilerRepeatsFromTheFileComeBackAsEscapes) {
  // Line 24 of the file is the #error.
  std::string errors =
      fail_to_load(write_effect("echo.fx", effect_text("",
                                                       "#error bad \x01\x1b[2J\xff\t\\x41 end\n"
                                                       "      void main() { frag_color = vec4(1); }\n")));
  EXPECT_TRUE(is_printable_lines(errors)) << errors;
  EXPECT_TRUE(std::regex_search(errors, std::regex("echo\\.fx: pixel shader: .*:24\\("))) << errors;
  EXPECT_NE(errors.find("#error bad \\x01\\x1B[2J\\xFF\t\\\\x41 end\n"), std::string::npos) << errors;

  // A huge line is cut short, and its line number stays.
  errors = fail_to_load(
      write_effect("long.fx", effect_text("", "#error " + std::string(20000, 'A') +
                                                  "\n      void main() { frag_color = vec4(1); }\n")));
  EXPECT_TRUE(std::regex_search(errors, std::regex("long\\.fx: pixel shader: .*:24\\(.*AAA\\.\\.\\.\n")))
      << errors;
  EXPECT_LT(errors.size(), 1000u) << errors;
}

TEST_F(D3dxEffects, ALongCompilerLogIsCutShortWithANote) {
  // One error a line from line 25 on.
  std::string body = "      void main() {\n";
  for (int i = 0; i < 1000; ++i) body += "        frag_color = undeclared" + std::to_string(i) + ";\n";
  std::string errors = fail_to_load(write_effect("many.fx", effect_text("", body + "      }\n")));
  EXPECT_LE(errors.size(), d3d9::kLogBytes);
  EXPECT_TRUE(ends_with(errors, "\n... (log cut)\n")) << errors;
  EXPECT_TRUE(std::regex_search(errors, std::regex("many\\.fx: pixel shader: .*:25\\(.*undeclared0")))
      << errors;
}

TEST_F(D3dxEffects, ManyFaultyPassesTogetherStayWithinTheLogLength) {
  std::string text = std::string(kHead) + "technique Main\n";
  for (int i = 0; i < 200; ++i)
    text += "  pass P" + std::to_string(i) + "\n" + kVertex +
            "    pixel\n      void main() { frag_color = ; }\n    end\n";
  HRESULT hr = S_OK;
  std::string errors = fail_to_load(write_effect("passes.fx", text), &hr);
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_LE(errors.size(), d3d9::kLogBytes);
  EXPECT_TRUE(ends_with(errors, "\n... (log cut)\n")) << errors;
  EXPECT_NE(errors.find("passes.fx(12): error: technique 'Main', pass 'P0' does not compile:\n"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("pass 'P1' does not compile"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("pass 'P199'"), std::string::npos) << errors;
}

TEST_F(D3dxEffects, FormatFaultsAreReportedWithFileAndLineOneByOne) {
  std::string text =
      "parameter float4x4 World\n"        // 1
      "parameter vector3 Where\n"         // 2: unknown type
      "parameter texture image\n"         // 3: no stage
      "technique T\n"                     // 4
      "  pass P\n"                        // 5
      "    state SrcBlend = Sometimes\n"  // 6: unknown value
      "    stat ZEnable = TRUE\n"         // 7: unknown keyword
      "    vertex\n"                      // 8
      "      void main() { gl_Position = vec4(0); }\n"
      "    end\n"    // 10
      "    pixel\n"  // 11: never closed
      "      void main() { frag_color = vec4(1); }\n";
  std::string path = write_effect("format.fx", text);
  HRESULT hr = S_OK;
  std::string errors = fail_to_load(path, &hr);
  EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
  for (int line : {2, 3, 6, 7, 11})
    EXPECT_NE(errors.find(path + "(" + std::to_string(line) + "): error: "), std::string::npos)
        << "line " << line << "\n"
        << errors;
  EXPECT_NE(errors.find("Sometimes"), std::string::npos);
  EXPECT_EQ(errors.find("(1):"), std::string::npos) << errors;

  // A block outside a pass is skipped whole: its GLSL is not read as directives.
  std::string valid_technique = std::string("technique T\npass\n") + kVertex + "pixel\nvoid main() {}\nend\n";
  errors = fail_to_load(write_effect("stray.fx",
                                     "parameter texture a stage 0\n"
                                     "parameter texture b stage 0\n"
                                     "parameter float a\n"
                                     "vertex\n"
                                     "  in vec3 in_position;\n"
                                     "  void main() { gl_Position = vec4(in_position, 1.0); }\n"
                                     "end\n" +
                                         valid_technique));
  EXPECT_NE(errors.find("stray.fx(2): error: stage 0 already takes texture 'a'"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("stray.fx(3): error: parameter 'a' is already declared on line 1"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("stray.fx(4): error: 'vertex' outside a pass"), std::string::npos) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 3) << errors;

  errors = fail_to_load(write_effect("empty.fx", "// nothing\nparameter float gain\n"));
  EXPECT_NE(errors.find("no technique"), std::string::npos) << errors;
  errors = fail_to_load(write_effect("nopixel.fx", std::string("technique T\npass\n") + kVertex));
  EXPECT_NE(errors.find("nopixel.fx(2): error: the pass has no pixel shader"), std::string::npos) << errors;
}

TEST_F(D3dxEffects, AMissingFileFailsWithATextNamingItAndBackslashesAreFolders) {
  std::string errors = fail_to_load(test_support::temp_path("absent.fx"));
  EXPECT_NE(errors.find(test_support::temp_path("absent.fx")), std::string::npos) << errors;

  std::string path =
      write_effect("found.fx", effect_text("", "      void main() { frag_color = vec4(1); }\n"));
  for (char& c : path)
    if (c == '/') c = '\\';
  EXPECT_NE(load(path), nullptr);
}
