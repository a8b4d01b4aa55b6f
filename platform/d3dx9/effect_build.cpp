// D3DXCreateEffectFromFileA: the effect file preprocessed, its framework read and each
// pass's two functions compiled from HLSL and translated to GLSL (effect_translate.h),
// then linked into one OpenGL program per pass.
#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>

#include "../d3d9/printable_text.h"
#include "../win32/win32_internal.h"
#include "effect_internal.h"
#include "effect_preprocess.h"
#include "effect_translate.h"

static_assert(d3dx9::kSamplerStages == D3d9DeviceState::kStages,
              "texture parameters feed the device's stages");

namespace {

const HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)

// Reads a regular file, or as much of it as the preprocessor takes and one byte more: a
// huge file is refused as too long without being read whole into memory.
bool read_file(const std::string& path, std::string* text) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text->assign(d3dx9::kMaxEffectText + 1, '\0');
  in.read(&(*text)[0], static_cast<std::streamsize>(text->size()));
  text->resize(static_cast<size_t>(in.gcount()));
  return !in.bad();
}

// Longest line of a compiler's message repeated.
const size_t kLineBytes = 400;

std::string pass_title(const std::string& file_name, const d3dx9::EffectTechnique& technique,
                       const d3dx9::EffectPass& pass) {
  std::string name = pass.name.empty() ? "" : " '" + pass.name + "'";
  return file_name + "(" + std::to_string(pass.line) + "): error: technique '" + technique.name + "', pass" +
         name + " does not compile:\n";
}

// The program's active uniforms by name, an array's without its "[0]".
std::map<std::string, D3dxUniform> active_uniforms(GLuint program) {
  std::map<std::string, D3dxUniform> found;
  GLint count = 0, longest = 0;
  glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
  glGetProgramiv(program, GL_ACTIVE_UNIFORM_MAX_LENGTH, &longest);
  std::vector<char> name(static_cast<size_t>(longest > 0 ? longest : 1) + 1, '\0');
  for (GLint i = 0; i < count; ++i) {
    D3dxUniform u;
    GLsizei length = 0;
    glGetActiveUniform(program, static_cast<GLuint>(i), static_cast<GLsizei>(name.size()), &length, &u.size, &u.type,
                       name.data());
    std::string key(name.data(), static_cast<size_t>(length));
    if (key.size() > 3 && key.compare(key.size() - 3, 3, "[0]") == 0) key.resize(key.size() - 3);
    u.location = glGetUniformLocation(program, key.c_str());
    found[key] = u;
  }
  return found;
}

// Each parameter's uniform in each stage of the pass's program. False, with the reason in
// `log`, when a stage declares a parameter in a form it cannot be given.
bool find_uniforms(const std::vector<d3dx9::EffectParameter>& parameters, D3dxEffectPass* pass, std::string* log) {
  const std::map<std::string, D3dxUniform> active = active_uniforms(pass->program.name);
  for (const d3dx9::EffectParameter& parameter : parameters) {
    const std::string member = d3dx9::glsl_member_name(parameter.name);
    for (const char* stage : {"vx_vs_globals.", "vx_ps_globals."}) {
      const auto found = active.find(stage + member);
      const D3dxUniform u = found == active.end() ? D3dxUniform{} : found->second;
      if (u.location >= 0 && d3dx9::uniform_shape(u.type).components != parameter.components()) {
        *log = "parameter '" + parameter.name + "' reaches the shader in a form the effect cannot give it\n";
        return false;
      }
      (stage[3] == 'v' ? pass->vertexUniforms : pass->pixelUniforms).push_back(u);
    }
  }
  return true;
}

}  // namespace

namespace d3dx9 {

UniformShape uniform_shape(GLenum type) {
  switch (type) {
    case GL_FLOAT: return {UniformBase::kFloat, 1};
    case GL_FLOAT_VEC2: return {UniformBase::kFloat, 2};
    case GL_FLOAT_VEC3: return {UniformBase::kFloat, 3};
    case GL_FLOAT_VEC4: return {UniformBase::kFloat, 4};
    case GL_FLOAT_MAT2: return {UniformBase::kFloat, 4};
    case GL_FLOAT_MAT3: return {UniformBase::kFloat, 9};
    case GL_FLOAT_MAT4: return {UniformBase::kFloat, 16};
    case GL_FLOAT_MAT2x3: case GL_FLOAT_MAT3x2: return {UniformBase::kFloat, 6};
    case GL_FLOAT_MAT2x4: case GL_FLOAT_MAT4x2: return {UniformBase::kFloat, 8};
    case GL_FLOAT_MAT3x4: case GL_FLOAT_MAT4x3: return {UniformBase::kFloat, 12};
    case GL_INT: case GL_BOOL: return {UniformBase::kInt, 1};
    case GL_INT_VEC2: case GL_BOOL_VEC2: return {UniformBase::kInt, 2};
    case GL_INT_VEC3: case GL_BOOL_VEC3: return {UniformBase::kInt, 3};
    case GL_INT_VEC4: case GL_BOOL_VEC4: return {UniformBase::kInt, 4};
    case GL_UNSIGNED_INT: return {UniformBase::kUnsigned, 1};
    case GL_UNSIGNED_INT_VEC2: return {UniformBase::kUnsigned, 2};
    case GL_UNSIGNED_INT_VEC3: return {UniformBase::kUnsigned, 3};
    case GL_UNSIGNED_INT_VEC4: return {UniformBase::kUnsigned, 4};
    default: return {};
  }
}

}  // namespace d3dx9

bool D3dxEffectState::build(IDirect3DDevice9* device, const d3dx9::EffectSource& source,
                            const std::string& file_name, ID3DXEffect** out, std::string* log) {
  auto* state = new D3dxEffectState;
  state->device = device;
  state->parameters = source.parameters;
  state->samplers = source.samplers;
  state->values.resize(source.parameters.size());
  for (size_t i = 0; i < source.parameters.size(); ++i) {
    const d3dx9::EffectParameter& p = source.parameters[i];
    D3dxParameterValue& v = state->values[i];
    if (p.type == d3dx9::ParameterType::kFloat) v.floats = p.initial;
    if (p.type == d3dx9::ParameterType::kInt || p.type == d3dx9::ParameterType::kBool)
      for (float f : p.initial)  // held to the int range: the largest int rounds up to 2^31 as a float
        v.integers.push_back(!(f > -2147483648.0f) ? -2147483647 - 1
                             : !(f < 2147483647.0f) ? 2147483647
                                                    : static_cast<int>(f));
  }

  device->state->make_current();
  bool ok = true;
  bool log_full = false;  // then the passes left are not compiled: the effect fails anyway
  log->clear();
  for (const d3dx9::EffectTechnique& technique : source.techniques) {
    D3dxEffectTechnique built;
    built.name = technique.name;
    for (const d3dx9::EffectPass& pass : technique.passes) {
      if (log_full) break;
      D3dxEffectPass p;
      p.states = pass.states;
      p.stageStates = pass.stageStates;
      std::string vertex, pixel, errors, pass_log;
      // The messages name the function the pass compiles, not a wrapper giving it its arguments.
      auto translate = [&](const d3dx9::EffectShaderCall& call, d3dx9::ShaderStage stage, std::string* glsl) {
        if (d3dx9::translate_shader(source.hlsl + call.wrapper, file_name, stage, call.entry, glsl, &errors))
          return true;
        const std::string wrapper = "'" + call.entry + "'";
        for (size_t at = errors.find(wrapper); call.entry != call.function && at != std::string::npos;
             at = errors.find(wrapper, at + 1))
          errors.replace(at, wrapper.size(), "'" + call.function + "'");
        return false;
      };
      const bool translated = translate(pass.vertex, d3dx9::ShaderStage::kVertex, &vertex) &&
                              translate(pass.pixel, d3dx9::ShaderStage::kPixel, &pixel);
      if (!translated) {
        const std::string lines =
            pass_title(file_name, technique, pass) + d3d9::printable_lines(errors, kLineBytes);
        log_full = !d3d9::append_log_lines(log, lines, d3d9::kLogBytes);
        ok = false;
      } else if (!d3d9::build_program(vertex, pixel, file_name, 1, 1, &p.program, &pass_log,
                                      d3d9::FragmentOutput::kDeclaredByShader) ||
                 !find_uniforms(source.parameters, &p, &pass_log)) {
        log_full =
            !d3d9::append_log_lines(log, pass_title(file_name, technique, pass) + pass_log, d3d9::kLogBytes);
        ok = false;
      } else {
        glUseProgram(p.program.name);
        for (const d3dx9::EffectSampler& sampler : source.samplers) {
          GLint location = glGetUniformLocation(p.program.name, d3dx9::glsl_sampler_name(sampler.name).c_str());
          if (location >= 0) glUniform1i(location, sampler.stage);
        }
      }
      built.passes.push_back(p);
    }
    state->techniques.push_back(built);
  }
  if (!ok) {
    state->device = nullptr;  // not referenced yet
    state->destroy();
    delete state;
    return false;
  }
  device->AddRef();
  auto* effect = new ID3DXEffect;
  effect->state = state;
  *out = effect;
  return true;
}

HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                         const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD,
                                         LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                                         LPD3DXBUFFER* ppCompilationErrors) {
  if (ppEffect) *ppEffect = nullptr;
  if (ppCompilationErrors) *ppCompilationErrors = nullptr;
  const std::string file = pSrcFile ? pSrcFile : "(no file name)";
  auto failure = [&](HRESULT result, const std::string& text) {
    if (ppCompilationErrors) *ppCompilationErrors = ID3DXBuffer::create_text(text.c_str());
    return result;
  };
  if (!pDevice || !pDevice->state || !pDevice->state->context || !pSrcFile || !ppEffect)
    return failure(D3DERR_INVALIDCALL, file + ": no device, file name or effect pointer\n");
  if (pDefines || pInclude || pPool)
    return failure(D3DERR_INVALIDCALL,
                   file + ": macros, include handlers and effect pools are not supported (the file's own "
                          "#define and #include are)\n");

  std::string text;
  if (!read_file(win32::native_path(pSrcFile), &text))
    return failure(kFileNotFound, file + ": error: cannot open the effect file\n");

  std::string preprocessed, errors;
  if (!d3dx9::preprocess_effect(text, file, &preprocessed, &errors)) return failure(D3DXERR_INVALIDDATA, errors);
  d3dx9::EffectSource source;
  if (!d3dx9::parse_effect(preprocessed, file, &source, &errors)) return failure(D3DXERR_INVALIDDATA, errors);

  std::string log;
  if (!D3dxEffectState::build(pDevice, source, file, ppEffect, &log)) return failure(E_FAIL, log);
  return D3D_OK;
}
