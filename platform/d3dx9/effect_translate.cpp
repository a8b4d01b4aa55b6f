#include "effect_translate.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_cross_c.h>

#include <cctype>
#include <cstring>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "../d3d9/gl_profile.h"
#include "compiler_stack.h"
#include "effect_preprocess.h"

namespace d3dx9 {
namespace {

// glslang's HLSL version: 100 is what its HLSL front end expects.
const int kHlslVersion = 100;

struct Translation {
  bool ok = false;
  std::string glsl;
  std::string errors;
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A semantic in one spelling: upper case, the index written out (TEXCOORD is TEXCOORD0).
std::string canonical_semantic(const std::string& semantic) {
  std::string s = upper(semantic);
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s.back()))) return s;
  return s + "0";
}

// The device attribute a vertex input semantic reads, or null.
const char* attribute_for(const std::string& semantic) {
  if (semantic == "POSITION0") return "in_position";
  if (semantic == "NORMAL0") return "in_normal";
  if (semantic == "COLOR0") return "in_color";
  if (semantic == "TEXCOORD0") return "in_texcoord";
  return nullptr;
}

// Whether the pixel stage has an input of this semantic: what the vertex stage passes on
// (COLORn, TEXCOORDn and the like), not what only the rasteriser reads (POSITION, PSIZE,
// FOG). VPOS and VFACE, which the rasteriser gives, are handled apart.
bool pixel_input(const std::string& semantic) {
  for (const char* rasteriser_only : {"POSITION", "PSIZE", "FOG", "SV_POSITION"})
    if (semantic.compare(0, std::strlen(rasteriser_only), rasteriser_only) == 0) return false;
  return true;
}

// The pixel shader's VPOS and VFACE inputs by their GLSL names. The rasteriser gives them:
// they are not declared as inputs but defined from gl_FragCoord and gl_FrontFacing (see
// define_special_inputs).
const char* const kPixelPosition = "vx_vpos";
const char* const kFacing = "vx_vface";

// glslang's messages, "ERROR: <name>:<line>: <text>", reworded as D3DX gives them; its
// closing counts and notes are left out.
void add_glslang_log(const std::string& log, const std::string& file_name, std::string* errors) {
  std::istringstream in(log);
  std::string line;
  const std::string prefix = "ERROR: ";
  while (std::getline(in, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    std::string rest = line.substr(prefix.size());
    // "<name>:<line>: " where the name is the file's (or an included file's).
    size_t colon = rest.find(':');
    while (colon != std::string::npos) {
      size_t digits = colon + 1;
      while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
      if (digits > colon + 1 && digits < rest.size() && rest[digits] == ':') {
        *errors += rest.substr(0, colon) + "(" + rest.substr(colon + 1, digits - colon - 1) +
                   "): error:" + rest.substr(digits + 1) + "\n";
        break;
      }
      colon = rest.find(':', colon + 1);
    }
    if (colon == std::string::npos && rest.find("compilation errors") == std::string::npos &&
        rest.find("No code generated") == std::string::npos)
      *errors += file_name + ": error: " + rest + "\n";
  }
  if (errors->empty()) *errors = file_name + ": error: the HLSL compiler gave no reason\n";
}

std::string too_long(const std::string& file_name, const char* what, size_t bytes, size_t limit) {
  return file_name + ": error: " + what + " (" + std::to_string(bytes) + " bytes) is longer than the " +
         std::to_string(limit) + " bytes the HLSL compiler takes\n";
}

const auto kMessages = static_cast<EShMessages>(EShMsgReadHlsl | EShMsgHlslDX9Compatible | EShMsgSpvRules);

void initialise_glslang() {
  static const bool initialised = glslang::InitializeProcess();
  (void)initialised;
}

bool compile_to_spirv(const std::string& hlsl, const std::string& file_name, ShaderStage stage,
                      const std::string& entry, std::vector<unsigned>* spirv, std::string* errors) {
  initialise_glslang();
  const EShLanguage language = stage == ShaderStage::kVertex ? EShLangVertex : EShLangFragment;
  glslang::TShader shader(language);
  const char* texts[] = {hlsl.c_str()};
  const int lengths[] = {static_cast<int>(hlsl.size())};
  const char* names[] = {file_name.c_str()};
  shader.setStringsWithLengthsAndNames(texts, lengths, names, 1);
  shader.setEntryPoint(entry.c_str());
  shader.setSourceEntryPoint(entry.c_str());
  shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientOpenGL, kHlslVersion);
  shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
  shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  // Semantics reach SPIR-V as decorations: they match the stages and the vertex stream.
  shader.setHlslIoMapping(true);
  shader.setEnvTargetHlslFunctionality1();
  shader.setAutoMapLocations(true);
  shader.setAutoMapBindings(true);
  if (!shader.parse(GetDefaultResources(), kHlslVersion, false, kMessages)) {
    add_glslang_log(shader.getInfoLog(), file_name, errors);
    return false;
  }
  glslang::TProgram program;
  program.addShader(&shader);
  if (!program.link(kMessages) || !program.mapIO()) {
    add_glslang_log(program.getInfoLog(), file_name, errors);
    return false;
  }
  spv::SpvBuildLogger logger;
  glslang::SpvOptions options;
  // The optimiser drops what the function computes but never uses, as the Direct3D compiler
  // does: a pixel input it never reads (a POSITION passed along in the vertex shader's
  // output struct) is then no input at all.
  options.disableOptimizer = false;
  glslang::GlslangToSpv(*program.getIntermediate(language), *spirv, &logger, &options);
  if (spirv->empty()) {
    *errors = file_name + ": error: function '" + entry + "' gave no code\n";
    return false;
  }
  return true;
}

// Renames the SPIR-V's interface for build_program and the effect (see the header).
bool name_interface(spvc_compiler compiler, ShaderStage stage, const std::string& file_name,
                    const std::string& entry, std::string* errors) {
  spvc_resources resources = nullptr;
  if (spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS) return false;
  const spvc_reflected_resource* list = nullptr;
  size_t count = 0;
  const std::string where = file_name + ": error: function '" + entry + "': ";
  auto semantic_of = [&](SpvId id) {
    const char* s = spvc_compiler_get_decoration_string(compiler, id, SpvDecorationHlslSemanticGOOGLE);
    return canonical_semantic(s ? s : "");
  };

  // The compiler's optimiser has dropped every input the function never reads.
  spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &count);
  for (size_t i = 0; i < count; ++i) {
    const std::string semantic = semantic_of(list[i].id);
    if (stage == ShaderStage::kVertex) {
      const char* attribute = attribute_for(semantic);
      if (!attribute) {
        *errors += where + "the vertex input semantic '" + semantic + "' is not one the device feeds\n";
        continue;
      }
      spvc_compiler_set_name(compiler, list[i].id, attribute);
    } else if (semantic == "VPOS0" || semantic == "VFACE0") {
      spvc_compiler_set_name(compiler, list[i].id, semantic == "VPOS0" ? kPixelPosition : kFacing);
    } else if (!pixel_input(semantic)) {
      *errors += where + "the pixel shader reads the input semantic '" + semantic +
                 "', which the pixel stage does not have\n";
      continue;
    } else {
      spvc_compiler_set_name(compiler, list[i].id, ("vx_v_" + semantic).c_str());
    }
    spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationLocation);
  }

  spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &list, &count);
  for (size_t i = 0; i < count; ++i) {
    const std::string semantic = semantic_of(list[i].id);
    spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationLocation);
    if (stage == ShaderStage::kVertex) {
      if (semantic == "POSITION0")
        spvc_compiler_set_decoration(compiler, list[i].id, SpvDecorationBuiltIn, SpvBuiltInPosition);
      else
        spvc_compiler_set_name(compiler, list[i].id, ("vx_v_" + semantic).c_str());
    } else if (semantic == "COLOR0" || semantic == "SV_TARGET0") {
      spvc_compiler_set_name(compiler, list[i].id, "frag_color");
      spvc_compiler_set_decoration(compiler, list[i].id, SpvDecorationLocation, 0);
    } else {
      *errors += where + "the pixel output semantic '" + semantic + "' is not supported\n";
    }
  }

  spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count);
  for (size_t i = 0; i < count; ++i) {
    const bool vertex = stage == ShaderStage::kVertex;
    spvc_compiler_set_name(compiler, list[i].id, vertex ? "vx_vs_globals" : "vx_ps_globals");
    spvc_compiler_set_name(compiler, list[i].base_type_id, vertex ? "vx_VsGlobals" : "vx_PsGlobals");
    const spvc_type type = spvc_compiler_get_type_handle(compiler, list[i].base_type_id);
    const unsigned members = spvc_type_get_num_member_types(type);
    for (unsigned m = 0; m < members; ++m) {
      const char* name = spvc_compiler_get_member_name(compiler, list[i].base_type_id, m);
      spvc_compiler_set_member_name(compiler, list[i].base_type_id, m, glsl_member_name(name ? name : "").c_str());
    }
  }

  spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, &list, &count);
  for (size_t i = 0; i < count; ++i) {
    spvc_compiler_set_name(compiler, list[i].id, glsl_sampler_name(list[i].name).c_str());
    spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationBinding);
    spvc_compiler_unset_decoration(compiler, list[i].id, SpvDecorationDescriptorSet);
  }
  for (spvc_resource_type separate : {SPVC_RESOURCE_TYPE_SEPARATE_IMAGE, SPVC_RESOURCE_TYPE_SEPARATE_SAMPLERS,
                                      SPVC_RESOURCE_TYPE_STORAGE_BUFFER, SPVC_RESOURCE_TYPE_STORAGE_IMAGE}) {
    spvc_resources_get_resource_list_for_type(resources, separate, &list, &count);
    for (size_t i = 0; i < count; ++i)
      *errors += where + "'" + list[i].name + "' is not a sampler2D or a sampler of shader model 3\n";
  }
  return errors->empty();
}

// Replaces the declarations of the inputs that are no plain attribute or varying with
// what Direct3D gives there, as macros of the same name:
// - the vertex shader's COLOR0 is the D3DCOLOR attribute vx_d3dcolor (shader_program.h),
//   whose bytes lie in memory as B, G, R, A;
// - the pixel shader's VPOS is the pixel's integer position with its origin at the top
//   left of the render target (the device's back buffer is not flipped, so OpenGL's rows
//   count up from its bottom, vx_target_height rows in all), and VFACE is positive on a
//   front face (the device's glFrontFace follows Direct3D's winding) and negative on a
//   back face.
// False when a declaration is not in the form expected.
bool define_special_inputs(ShaderStage stage, std::string* glsl) {
  struct Input {
    const char* name;
    std::string value;  // as a vec4
  };
  const std::vector<Input> inputs =
      stage == ShaderStage::kVertex
          ? std::vector<Input>{{"in_color", "vx_d3dcolor.bgra"}}
          : std::vector<Input>{
                {kPixelPosition, "vec4(gl_FragCoord.x - 0.5, vx_target_height - gl_FragCoord.y - 0.5, 0.0, 0.0)"},
                {kFacing, "vec4(gl_FrontFacing ? 1.0 : -1.0)"}};
  const char* const kSwizzles[] = {".x", ".xy", ".xyz", ""};
  std::string defines;
  for (const Input& input : inputs) {
    bool declared = false;
    for (int size = 1; size <= 4 && !declared; ++size) {
      const std::string type = size == 1 ? "float" : "vec" + std::to_string(size);
      const std::string declaration = "in " + type + " " + input.name + ";\n";
      const size_t at = glsl->find(declaration);
      if (at == std::string::npos) continue;
      glsl->erase(at, declaration.size());
      defines += std::string("#define ") + input.name + " ((" + input.value + ")" + kSwizzles[size - 1] + ")\n";
      declared = true;
    }
    if (!declared && glsl->find(input.name) != std::string::npos) return false;
  }
  glsl->insert(0, defines);
  return true;
}

bool spirv_to_glsl(const std::vector<unsigned>& spirv, const std::string& file_name, ShaderStage stage,
                   const std::string& entry, std::string* glsl, std::string* errors) {
  spvc_context context = nullptr;
  if (spvc_context_create(&context) != SPVC_SUCCESS) {
    *errors = file_name + ": error: cannot start the SPIR-V translator\n";
    return false;
  }
  bool ok = false;
  spvc_parsed_ir ir = nullptr;
  spvc_compiler compiler = nullptr;
  spvc_compiler_options options = nullptr;
  const char* text = nullptr;
  if (spvc_context_parse_spirv(context, spirv.data(), spirv.size(), &ir) == SPVC_SUCCESS &&
      spvc_context_create_compiler(context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) ==
          SPVC_SUCCESS &&
      spvc_compiler_create_compiler_options(compiler, &options) == SPVC_SUCCESS) {
    if (name_interface(compiler, stage, file_name, entry, errors)) {
      const bool es = d3d9::gl_profile() == d3d9::GlProfile::kEs30;
      spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, es ? 300 : 330);
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, es ? SPVC_TRUE : SPVC_FALSE);
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES_DEFAULT_FLOAT_PRECISION_HIGHP, SPVC_TRUE);
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES_DEFAULT_INT_PRECISION_HIGHP, SPVC_TRUE);
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_EMIT_UNIFORM_BUFFER_AS_PLAIN_UNIFORMS,
                                     SPVC_TRUE);
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION, SPVC_FALSE);
      spvc_compiler_install_compiler_options(compiler, options);
      if (spvc_compiler_compile(compiler, &text) == SPVC_SUCCESS && text) {
        *glsl = text;
        ok = true;
      } else {
        *errors += file_name + ": error: function '" + entry +
                   "' cannot be translated: " + spvc_context_get_last_error_string(context) + "\n";
      }
    }
  } else {
    *errors += file_name + ": error: function '" + entry + "' gave SPIR-V the translator cannot read\n";
  }
  spvc_context_destroy(context);
  if (!ok) return false;
  // build_program puts its own #version line first.
  if (glsl->compare(0, 9, "#version ") == 0) glsl->erase(0, glsl->find('\n') + 1);
  if (!define_special_inputs(stage, glsl)) {
    *errors += file_name + ": error: function '" + entry + "': its " +
               (stage == ShaderStage::kVertex ? "COLOR0" : "VPOS or VFACE") + " input cannot be translated\n";
    return false;
  }
  return true;
}

Translation translate(const std::string& hlsl, const std::string& file_name, ShaderStage stage,
                      const std::string& entry) {
  Translation t;
  if (hlsl.size() > kMaxCompiledText) {
    t.errors = too_long(file_name, "the effect's text after the preprocessor", hlsl.size(), kMaxCompiledText);
    return t;
  }
  const bool ran = on_compiler_stack([&] {
    std::vector<unsigned> spirv;
    t.ok = compile_to_spirv(hlsl, file_name, stage, entry, &spirv, &t.errors) &&
           spirv_to_glsl(spirv, file_name, stage, entry, &t.glsl, &t.errors);
  });
  if (!ran) t.errors = file_name + ": error: cannot start the HLSL compiler's thread\n";
  return t;
}

// Translations by file name, stage, entry and text. A game compiles the same three files
// with every World; anything else (tests, damaged files) only passes through, so the cache
// is emptied when it grows past a few dozen texts.
const size_t kCachedTranslations = 32;

}  // namespace

std::string glsl_member_name(const std::string& parameter) { return "vx_" + parameter; }
std::string glsl_sampler_name(const std::string& sampler) { return "vx_" + sampler; }

bool translate_shader(const std::string& hlsl, const std::string& file_name, ShaderStage stage,
                      const std::string& entry, std::string* glsl, std::string* errors) {
  static std::map<std::string, Translation> cache;
  std::string key = file_name;
  key += '\0';
  key += stage == ShaderStage::kVertex ? 'v' : 'p';
  key += entry;
  key += '\0';
  key += hlsl;
  auto found = cache.find(key);
  if (found == cache.end()) {
    if (cache.size() >= kCachedTranslations) cache.clear();
    found = cache.emplace(std::move(key), translate(hlsl, file_name, stage, entry)).first;
  }
  *glsl = found->second.glsl;
  *errors = found->second.errors;
  return found->second.ok;
}

}  // namespace d3dx9
