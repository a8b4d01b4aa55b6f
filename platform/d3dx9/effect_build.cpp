// D3DXCreateEffectFromFileA: the effect file preprocessed, its framework read and each
// pass's two functions compiled from HLSL and translated to GLSL (effect_translate.h),
// then linked into one OpenGL program per pass.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include "../d3d9/printable_text.h"
#include "../win32/win32_internal.h"
#include "effect_internal.h"
#include "effect_translate.h"

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

// Longest line of a compiler's message repeated.
const size_t kLineBytes = 400;

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
  state->samplers = source.samplers;
  state->values.resize(source.parameters.size());
  for (size_t i = 0; i < source.parameters.size(); ++i) {
    const d3dx9::EffectParameter& p = source.parameters[i];
    D3dxParameterValue& v = state->values[i];
    std::copy(p.initial, p.initial + 16, v.floats);
    // Held to the int range: a float's number may be past it, and the largest int
    // itself rounds up to 2^31 as a float.
    const float f = p.initial[0];
    v.integer = !(f > -2147483648.0f) ? -2147483647 - 1
                : !(f < 2147483647.0f)   ? 2147483647
                                         : static_cast<int>(f);
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
      std::string vertex, pixel, errors, pass_log;
      const bool translated =
          d3dx9::translate_shader(source.hlsl, file_name, d3dx9::ShaderStage::kVertex, pass.vertex.function,
                                  &vertex, &errors) &&
          d3dx9::translate_shader(source.hlsl, file_name, d3dx9::ShaderStage::kPixel, pass.pixel.function, &pixel,
                                  &errors);
      if (!translated) {
        const std::string lines =
            pass_title(file_name, technique, pass) + d3d9::printable_lines(errors, kLineBytes);
        log_full = !d3d9::append_log_lines(log, lines, d3d9::kLogBytes);
        ok = false;
      } else if (!d3d9::build_program(vertex, pixel, file_name, 1, 1, &p.program, &pass_log,
                                      d3d9::FragmentOutput::kDeclaredByShader)) {
        log_full =
            !d3d9::append_log_lines(log, pass_title(file_name, technique, pass) + pass_log, d3d9::kLogBytes);
        ok = false;
      } else {
        glUseProgram(p.program.name);
        for (const d3dx9::EffectParameter& parameter : source.parameters) {
          const std::string member = d3dx9::glsl_member_name(parameter.name);
          p.vertexLocations.push_back(glGetUniformLocation(p.program.name, ("vx_vs_globals." + member).c_str()));
          p.pixelLocations.push_back(glGetUniformLocation(p.program.name, ("vx_ps_globals." + member).c_str()));
        }
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
