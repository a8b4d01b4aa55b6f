// Feeds arbitrary text to the effect-file reader (structure only; the GLSL is not compiled).
// Besides the sanitizers' findings, these stop the run: a verdict that disagrees with the
// error text, an error text that is not plain printable lines naming the file, and an
// accepted effect that breaks the format's rules (a technique without passes, a pass without
// both shaders, a texture without a stage of its own).
#include <cstddef>
#include <cstdint>
#include <string>

#include "effect_source.h"

namespace {

const char kFileName[] = "fuzz.fx";

bool is_plain_lines(const std::string& errors) {
  if (errors.empty() || errors.back() != '\n') return false;
  size_t start = 0;
  while (start < errors.size()) {
    const size_t end = errors.find('\n', start);
    if (errors.compare(start, sizeof(kFileName) - 1, kFileName) != 0) return false;
    for (size_t i = start; i < end; ++i)
      if (errors[i] < 0x20 || errors[i] > 0x7E) return false;
    start = end + 1;
  }
  return true;
}

bool follows_the_rules(const d3dx9::EffectSource& effect) {
  if (effect.techniques.empty()) return false;
  for (const d3dx9::EffectTechnique& technique : effect.techniques) {
    if (technique.passes.empty()) return false;
    for (const d3dx9::EffectPass& pass : technique.passes)
      if (pass.vertex.firstLine < 1 || pass.pixel.firstLine < 1) return false;
  }
  bool stageTaken[d3dx9::kSamplerStages] = {};
  for (const d3dx9::EffectParameter& parameter : effect.parameters) {
    if (parameter.type != d3dx9::ParameterType::kTexture) continue;
    if (parameter.stage < 0 || parameter.stage >= d3dx9::kSamplerStages) return false;
    if (stageTaken[parameter.stage]) return false;
    stageTaken[parameter.stage] = true;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  d3dx9::EffectSource effect;
  std::string errors;
  if (d3dx9::parse_effect(text, kFileName, &effect, &errors)) {
    if (!errors.empty() || !follows_the_rules(effect)) __builtin_trap();
  } else if (!is_plain_lines(errors)) {
    __builtin_trap();
  }
  return 0;
}
