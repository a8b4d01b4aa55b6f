// Feeds arbitrary text to the effect loader's three steps, as D3DXCreateEffectFromFileA
// takes them: the HLSL preprocessor, the effect-framework reader and, when the framework
// reads, the HLSL compiler and GLSL translator on each pass's two functions (no GL device:
// the GLSL is not linked). The input is named as a file in a folder of the fuzzer's own
// that holds one file to include, so that #include reaches the same file on every machine.
// Besides the sanitizers' findings, these stop the run:
// - a verdict that disagrees with its error text (a failure without one, a success with one);
// - preprocessor or framework errors that are not printable "<file>...: error: ..." lines
//   (the loader shows them as they are);
// - an accepted framework that breaks the reader's promises: a technique without passes, a
//   pass without both shaders or with a profile of the wrong stage, two samplers on one
//   stage or one beyond the device's, a sampler naming something other than a texture, two
//   parameters of one name, a parameter with fewer or more initial values than its shape
//   holds, or compiler text whose lines are not the file's;
// - a translation that succeeds with errors or without GLSL, or keeps its #version line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "effect_preprocess.h"
#include "effect_source.h"
#include "effect_translate.h"

namespace {

// Longer inputs are skipped: the loader refuses them at once (it takes effect files of up
// to 64 KB), and keeping them out of the corpus keeps the fuzzer's inputs to the sizes
// glslang handles quickly.
const size_t kMaxInput = 64 * 1024;

// What the fuzzed file may include, beside it: a parameter and a function.
const char kIncludedName[] = "common.fxh";
const char kIncludedText[] =
    "float4 Tint = float4(1.0, 0.5, 0.25, 1.0);\n"
    "float4 tinted(float4 c) { return c * Tint; }\n";

std::string g_folder;
std::string g_file;      // the fuzzed file's name, in g_folder
std::string g_included;  // the included file's name

void remove_folder() {
  std::remove(g_included.c_str());
  rmdir(g_folder.c_str());
}

bool is_printable(const std::string& line) {
  for (const char c : line)
    if ((c < 0x20 || c > 0x7E) && c != '\t') return false;
  return true;
}

// One line or more, each a printable "<file>(<where>): error: ..." or "<file>: error: ...".
bool is_error_lines(const std::string& errors) {
  if (errors.empty() || errors.back() != '\n') return false;
  size_t start = 0;
  while (start < errors.size()) {
    const size_t end = errors.find('\n', start);
    const std::string line = errors.substr(start, end - start);
    if (!is_printable(line) || line.find(": error: ") == std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

bool is_profile(const std::string& profile, const char* stage) {
  return profile.size() == 6 && profile.compare(0, 3, std::string(stage) + "_") == 0;
}

bool keeps_its_promises(const d3dx9::EffectSource& effect, const std::string& text) {
  if (effect.techniques.empty()) return false;
  for (const d3dx9::EffectTechnique& technique : effect.techniques) {
    if (technique.passes.empty()) return false;
    for (const d3dx9::EffectPass& pass : technique.passes) {
      if (pass.vertex.function.empty() || pass.pixel.function.empty()) return false;
      if (!is_profile(pass.vertex.profile, "vs") || !is_profile(pass.pixel.profile, "ps")) return false;
    }
  }
  bool stageTaken[d3dx9::kSamplerStages] = {};
  for (const d3dx9::EffectSampler& sampler : effect.samplers) {
    if (sampler.stage < 0 || sampler.stage >= d3dx9::kSamplerStages || stageTaken[sampler.stage]) return false;
    stageTaken[sampler.stage] = true;
    if (sampler.texture >= static_cast<int>(effect.parameters.size())) return false;
    if (sampler.texture >= 0 && effect.parameters[sampler.texture].type != d3dx9::ParameterType::kTexture)
      return false;
  }
  std::set<std::string> names;
  for (const d3dx9::EffectParameter& parameter : effect.parameters) {
    if (!names.insert(parameter.name).second) return false;
    const bool numeric = parameter.type != d3dx9::ParameterType::kTexture &&
                         parameter.type != d3dx9::ParameterType::kString;
    if (numeric && parameter.initial.size() != static_cast<size_t>(parameter.values())) return false;
  }
  // The compiler's line numbers are the file's only if no line break was added or lost.
  size_t breaks = 0, hlslBreaks = 0;
  for (const char c : text) breaks += c == '\n';
  for (const char c : effect.hlsl) hlslBreaks += c == '\n';
  return breaks == hlslBreaks;
}

void translate(const d3dx9::EffectSource& effect, d3dx9::ShaderStage stage, const d3dx9::EffectShaderCall& call) {
  std::string glsl, errors;
  if (d3dx9::translate_shader(effect.hlsl + call.wrapper, g_file, stage, call.entry, &glsl, &errors)) {
    if (!errors.empty() || glsl.empty() || glsl.compare(0, 9, "#version ") == 0) __builtin_trap();
  } else if (errors.empty() || errors.back() != '\n') {
    // The loader makes these printable itself; they must still be lines.
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/vornex_effect_fuzz_XXXXXX";
  if (!mkdtemp(&pattern[0])) std::abort();
  g_folder = pattern;
  g_file = g_folder + "/fuzz.fx";
  g_included = g_folder + "/" + kIncludedName;
  std::FILE* out = std::fopen(g_included.c_str(), "wb");
  if (!out) std::abort();
  const bool written = std::fputs(kIncludedText, out) >= 0;
  if (std::fclose(out) != 0 || !written) std::abort();
  std::atexit(remove_folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return -1;  // not added to the corpus
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string preprocessed, errors;
  if (!d3dx9::preprocess_effect(text, g_file, &preprocessed, &errors)) {
    if (!is_error_lines(errors)) __builtin_trap();
    return 0;
  }
  if (!errors.empty()) __builtin_trap();

  d3dx9::EffectSource effect;
  if (!d3dx9::parse_effect(preprocessed, g_file, &effect, &errors)) {
    if (!is_error_lines(errors)) __builtin_trap();
    return 0;
  }
  if (!errors.empty() || !keeps_its_promises(effect, preprocessed)) __builtin_trap();

  // Each function once per stage, as the translations are remembered anyway.
  std::set<std::pair<d3dx9::ShaderStage, std::string>> compiled;
  for (const d3dx9::EffectTechnique& technique : effect.techniques)
    for (const d3dx9::EffectPass& pass : technique.passes) {
      if (compiled.insert({d3dx9::ShaderStage::kVertex, pass.vertex.entry + pass.vertex.wrapper}).second)
        translate(effect, d3dx9::ShaderStage::kVertex, pass.vertex);
      if (compiled.insert({d3dx9::ShaderStage::kPixel, pass.pixel.entry + pass.pixel.wrapper}).second)
        translate(effect, d3dx9::ShaderStage::kPixel, pass.pixel);
    }
  return 0;
}
