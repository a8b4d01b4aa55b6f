// The text of an effect file, read into techniques, passes and parameters. The format
// is described in data/EFFECT_FORMAT.md; this reader only checks its structure, the
// GLSL inside is left to the compiler.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_SOURCE_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_SOURCE_H

#include <d3d9.h>

#include <string>
#include <vector>

namespace d3dx9 {

// Texture stages a texture parameter may feed: as many as the device has.
const int kSamplerStages = 8;

enum class ParameterType { kMatrix, kTexture, kFloat, kInt, kColor };

struct EffectParameter {
  std::string name;
  ParameterType type = ParameterType::kFloat;
  int line = 0;
  // Initial value: a float4x4 starts as the identity, a texture empty, the others
  // as their `= value` in the file, else 0.
  float initialFloat = 0.0f;
  int initialInt = 0;
  DWORD initialColor = 0;  // 0xAARRGGBB
  // Textures only: the sampler stage the texture goes to (also the GLSL sampler's
  // texture unit), and the sampler states the pass sets on that stage (0: left alone).
  int stage = -1;
  DWORD filter = 0;   // D3DTEXF_POINT or D3DTEXF_LINEAR, for both MIN and MAG
  DWORD address = 0;  // a D3DTEXTUREADDRESS, for both U and V
};

struct EffectRenderState {
  D3DRENDERSTATETYPE state;
  DWORD value;
};

struct EffectShaderText {
  std::string text;   // the author's GLSL lines, as written
  int firstLine = 0;  // the file's line of the text's first line; 0: no such shader
};

struct EffectPass {
  std::string name;  // may be empty
  int line = 0;
  std::vector<EffectRenderState> states;
  EffectShaderText vertex;
  EffectShaderText pixel;
};

struct EffectTechnique {
  std::string name;
  int line = 0;
  std::vector<EffectPass> passes;
};

struct EffectSource {
  std::vector<EffectParameter> parameters;
  std::vector<EffectTechnique> techniques;
};

// Faults an error text describes; any others are only counted. A large damaged file would
// otherwise give megabytes of text for the console and a message box.
const int kReportedFaults = 20;

// Reads `text`. On a fault returns false with one line per fault in `errors`, each
// "<file_name>(<line>): error: <what>", for the first kReportedFaults faults; a last line
// "<file_name>: error: <n> more faults not shown" counts any others.
bool parse_effect(const std::string& text, const std::string& file_name, EffectSource* out,
                  std::string* errors);

// The GLSL type a parameter is declared with in the shaders.
const char* glsl_type(ParameterType type);

}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_SOURCE_H
