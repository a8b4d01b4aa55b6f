// D3DXCreateEffectFromFileA: the effect file read, checked and compiled, one OpenGL
// program per pass. Every parameter is declared as a uniform in both stages of every
// pass, under its own name, so the author's GLSL uses the parameters without
// declaring them; texture parameters are sampler2D uniforms on the texture unit of
// their stage.
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include "../d3d9/printable_text.h"
#include "../win32/win32_internal.h"
#include "effect_internal.h"

static_assert(d3dx9::kSamplerStages == D3d9DeviceState::kStages,
              "texture parameters feed the device's stages");

namespace {

const HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)

bool read_file(const std::string& path, std::string* text) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream contents;
  contents << in.rdbuf();
  *text = contents.str();
  return !in.bad();
}

// One stage's GLSL: the parameters' declarations, each marked with its line in the
// file, then the author's text from its own first line, so that the compiler's log
// names the file's lines.
std::string stage_text(const d3dx9::EffectSource& source, const d3dx9::EffectShaderText& shader) {
  std::string text;
  for (const d3dx9::EffectParameter& p : source.parameters)
    text +=
        "#line " + std::to_string(p.line) + "\nuniform " + d3dx9::glsl_type(p.type) + " " + p.name + ";\n";
  text += "#line " + std::to_string(shader.firstLine) + "\n" + shader.text;
  return text;
}

std::string pass_title(const std::string& file_name, const d3dx9::EffectTechnique& technique,
                       const d3dx9::EffectPass& pass) {
  std::string name = pass.name.empty() ? "" : " '" + pass.name + "'";
  return file_name + "(" + std::to_string(pass.line) + "): error: technique '" + technique.name + "', pass" +
         name + " does not compile:\n";
}

}  // namespace

bool D3dxEffectState::build(IDirect3DDevice9* device, const d3dx9::EffectSource& source,
                            const std::string& file_name, ID3DXEffect** out, std::string* log) {
  auto* state = new D3dxEffectState;
  state->device = device;
  state->parameters = source.parameters;
  state->values.resize(source.parameters.size());
  for (size_t i = 0; i < source.parameters.size(); ++i) {
    const d3dx9::EffectParameter& p = source.parameters[i];
    D3dxParameterValue& v = state->values[i];
    switch (p.type) {
      case d3dx9::ParameterType::kMatrix:
        v.floats[0] = v.floats[5] = v.floats[10] = v.floats[15] = 1.0f;
        break;
      case d3dx9::ParameterType::kFloat:
        v.floats[0] = p.initialFloat;
        break;
      case d3dx9::ParameterType::kInt:
        v.integer = p.initialInt;
        break;
      case d3dx9::ParameterType::kColor:
        v.set_color(p.initialColor);
        break;
      case d3dx9::ParameterType::kTexture:
        break;
    }
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
      std::string pass_log;
      if (!d3d9::build_program(stage_text(source, pass.vertex), stage_text(source, pass.pixel), file_name, 1,
                               1, &p.program, &pass_log)) {
        // The whole text is held to the length of one program's log.
        log_full =
            !d3d9::append_log_lines(log, pass_title(file_name, technique, pass) + pass_log, d3d9::kLogBytes);
        ok = false;
      } else {
        glUseProgram(p.program.name);
        for (const d3dx9::EffectParameter& parameter : source.parameters) {
          GLint location = glGetUniformLocation(p.program.name, parameter.name.c_str());
          p.locations.push_back(location);
          if (parameter.type == d3dx9::ParameterType::kTexture) glUniform1i(location, parameter.stage);
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
                   file + ": macros, include handlers and effect pools are not supported\n");

  std::string text;
  if (!read_file(win32::native_path(pSrcFile), &text))
    return failure(kFileNotFound, file + ": error: cannot open the effect file\n");

  d3dx9::EffectSource source;
  std::string errors;
  if (!d3dx9::parse_effect(text, file, &source, &errors)) return failure(D3DXERR_INVALIDDATA, errors);

  std::string log;
  if (!D3dxEffectState::build(pDevice, source, file, ppEffect, &log)) return failure(E_FAIL, log);
  return D3D_OK;
}
