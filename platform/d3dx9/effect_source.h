// The effect framework of a D3DX effect file in HLSL, read from the file's preprocessed
// text: its parameters (the global variables), textures and samplers with their
// sampler_state blocks, and its techniques and passes with their render states and
// `compile` expressions. The shader functions themselves are left to the HLSL compiler
// (effect_translate.h), which gets the text with the framework's parts blanked out.
// What is read and how the rest is refused: data/EFFECTS.md.
#ifndef VORNEX_PLATFORM_D3DX9_EFFECT_SOURCE_H
#define VORNEX_PLATFORM_D3DX9_EFFECT_SOURCE_H

#include <d3d9.h>

#include <string>
#include <vector>

namespace d3dx9 {

// Texture stages samplers may feed: as many as the device has.
const int kSamplerStages = 8;

// The base type of a parameter's values. A bool, int or float parameter is a scalar, a
// vector or a matrix of them (`rows` x `columns`), or an array of those.
enum class ParameterType { kBool, kInt, kFloat, kTexture, kString };

// An annotation: `<float UIMin = 0; string UIName = "Tint";>` after a parameter, a
// technique or a pass. Kept as written: the value's text, a string's without its quotes.
struct EffectAnnotation {
  std::string type;
  std::string name;
  std::string value;
};

struct EffectParameter {
  std::string name;
  ParameterType type = ParameterType::kFloat;
  int rows = 1, columns = 1;  // float4: 1 x 4; float4x4: 4 x 4
  bool matrix = false;        // declared as a matrix (floatRxC, matrix), not a scalar or vector
  int elements = 0;           // an array's length; 0 when it is not an array
  int line = 0;
  // The initialiser's numbers (a matrix's row by row, an array's element after element, as
  // D3DX stores them), zeros where it gives none; a float4x4 without one starts as zeros
  // too, as in D3DX. A bool's are 0 or 1.
  std::vector<float> initial;
  std::string text;  // a string parameter's value
  std::vector<EffectAnnotation> annotations;

  // Values of one element, and of the whole parameter.
  int components() const { return rows * columns; }
  int values() const { return components() * (elements > 0 ? elements : 1); }
};

struct EffectSampler {
  std::string name;
  int line = 0;
  int texture = -1;  // the parameter its sampler_state's Texture names, or -1
  int stage = 0;     // samplers take the stages in the order they are declared
  // The sampler_state's states, 0 where it leaves the device's as they are.
  DWORD minFilter = 0, magFilter = 0, mipFilter = 0, addressU = 0, addressV = 0;
  bool setsMipFilter = false;  // NONE is 0 too
};

struct EffectRenderState {
  D3DRENDERSTATETYPE state;
  DWORD value;
};

struct EffectShaderCall {
  std::string function;  // empty: the pass has no such shader
  std::string profile;   // vs_3_0, ps_2_0, ...
  int line = 0;
  // The function the compiler starts from: `function` itself, or, where the compile
  // expression gives the function's uniform parameters their values
  // (`compile ps_2_0 PS(true)`), a wrapper appended to the effect's text that calls it
  // with them.
  std::string entry;
  std::string wrapper;  // the wrapper's text, empty when there is none
};

// A texture stage's texture or sampler state as a pass sets it: "Texture[1] = <detail>;",
// "MinFilter[1] = LINEAR;".
struct EffectStageState {
  int stage = 0;
  bool texture = false;  // sets the stage's texture: the texture parameter `parameter`
  int parameter = -1;
  D3DSAMPLERSTATETYPE type = D3DSAMP_MINFILTER;  // else sets this sampler state
  DWORD value = 0;
};

struct EffectPass {
  std::string name;  // may be empty
  int line = 0;
  std::vector<EffectRenderState> states;
  std::vector<EffectStageState> stageStates;  // in the order written
  EffectShaderCall vertex;
  EffectShaderCall pixel;
  std::vector<EffectAnnotation> annotations;
};

struct EffectTechnique {
  std::string name;
  int line = 0;
  std::vector<EffectPass> passes;
  std::vector<EffectAnnotation> annotations;
};

struct EffectSource {
  std::vector<EffectParameter> parameters;  // textures among them
  std::vector<EffectSampler> samplers;
  std::vector<EffectTechnique> techniques;
  // The text for the HLSL compiler: the same lines, the framework's parts blanked.
  std::string hlsl;
};

// Faults an error text describes; any others are only counted. A large damaged file would
// otherwise give megabytes of text for the console and a message box.
const int kReportedFaults = 20;

// Reads `text`, an effect file after the HLSL preprocessor (line directives kept). On a
// fault returns false with one line per fault in `errors`, each
// "<file_name>(<line>,<column>): error: <what>", for the first kReportedFaults faults; a
// last line "<file_name>: error: <n> more faults not shown" counts any others.
bool parse_effect(const std::string& text, const std::string& file_name, EffectSource* out,
                  std::string* errors);

}  // namespace d3dx9

#endif  // VORNEX_PLATFORM_D3DX9_EFFECT_SOURCE_H
