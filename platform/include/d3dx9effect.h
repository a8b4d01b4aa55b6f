// ID3DXEffect on D3DX effect files in HLSL (what the platform reads: data/EFFECTS.md):
// parameters (the file's global variables), samplers with their sampler states, and
// techniques of passes with render states and a vertex and a pixel function each,
// compiled when the file is loaded. Handles are names: a D3DXHANDLE is the name of a
// technique or a parameter.
#ifndef VORNEX_PLATFORM_D3DX9EFFECT_H
#define VORNEX_PLATFORM_D3DX9EFFECT_H

#include "d3d9.h"
#include "d3dx9buffer.h"
#include "d3dx9math.h"

typedef LPCSTR D3DXHANDLE;
typedef D3DXHANDLE* LPD3DXHANDLE;

// Accepted in the signature only: macros given by the caller, include handlers and effect
// pools are not supported, and must be null (the file's own #define and #include work).
typedef struct _D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
} D3DXMACRO, *LPD3DXMACRO;
struct ID3DXInclude;
typedef ID3DXInclude* LPD3DXINCLUDE;
struct ID3DXEffectPool;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

// Begin flag: leave the device as the passes set it at End (only the effect's programs
// are taken away).
#define D3DXFX_DONOTSAVESTATE (1 << 0)

struct D3dxEffectState;  // the compiled programs and parameter values (platform/d3dx9)

struct ID3DXEffect : D3d9RefCounted {
  // Parameter values. A handle naming no parameter of the right kind fails with
  // D3DERR_INVALIDCALL. Conversions: SetInt on a float sets it to the number; SetFloat
  // on an int truncates; SetInt on a color takes a D3DCOLOR (0xAARRGGBB) and gives the
  // shader vec4(r, g, b, a) in 0..1. Values reach the shaders at BeginPass or
  // CommitChanges; textures reach their stages at BeginPass (CommitChanges sends the
  // textures set since).
  HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix);
  HRESULT SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture);
  HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f);
  HRESULT SetInt(D3DXHANDLE hParameter, INT n);

  // A name the file lacks fails with D3DERR_INVALIDCALL and keeps the technique in use
  // (the file's first until another is chosen).
  HRESULT SetTechnique(D3DXHANDLE hTechnique);

  // Begin saves what the technique's passes change on the device (their render states,
  // the texture of every stage a texture parameter feeds, and the sampler states the
  // parameters set); End restores it and takes the effect's programs off the device.
  HRESULT Begin(UINT* pPasses, DWORD Flags);
  // Applies a pass: its program in place of the fixed-function pipeline, the parameter
  // values, its render states, and every texture parameter that has been set on its
  // stage (a device SetTexture afterwards still overrides that stage).
  HRESULT BeginPass(UINT Pass);
  HRESULT CommitChanges();
  HRESULT EndPass();
  HRESULT End();

  ULONG Release();

  D3dxEffectState* state;  // owned by the object

 private:
  friend struct D3dxEffectState;
  ID3DXEffect() : state(nullptr) {}
  ~ID3DXEffect();
};
typedef ID3DXEffect* LPD3DXEFFECT;

// Reads and compiles an effect file (the name as the program spells it: backslashes
// are folders). On failure *ppEffect is null and, when ppCompilationErrors is given,
// it receives a NUL-terminated text naming the file (and the line of each fault):
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) for a file that cannot be read,
// D3DXERR_INVALIDDATA for one that does not follow the format, E_FAIL for GLSL the
// compiler or linker rejects (with the compiler's log). Compile flags are ignored. The
// effect holds a reference on the device until it is released.
HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                         const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD Flags,
                                         LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                                         LPD3DXBUFFER* ppCompilationErrors);

#endif  // VORNEX_PLATFORM_D3DX9EFFECT_H
