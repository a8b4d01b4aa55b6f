// D3DXCreateTextureFromFileA: the file decoded at its own size (no scaling to powers of
// two, no mip levels: the game samples level 0 only) and uploaded once.
#include <d3dx9.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "../d3d9/d3d9_internal.h"
#include "../win32/win32_internal.h"
#include "image_decode.h"

namespace {
const HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)

bool file_exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* srcfile,
                                          IDirect3DTexture9** texture) {
  if (!device || !srcfile || !texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  std::string path = win32::native_path(srcfile);
  if (!file_exists(path)) return kFileNotFound;
  DecodedImage image;
  std::string error;
  if (!decode_image_file(path.c_str(), &image, &error)) {
    std::fprintf(stderr, "VORNEX: texture %s\n", error.c_str());
    return D3DXERR_INVALIDDATA;
  }
  *texture = D3d9TextureState::create_rgba(device, image.width, image.height, image.rgba.data());
  return *texture ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}
