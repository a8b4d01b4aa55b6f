// File names as the program spells them, and the working directory they are opened in.
#include "win32_internal.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace win32 {

std::string native_path(const char* windows_path) {
  std::string path = windows_path ? windows_path : "";
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace win32

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return 0;
  const std::string folder = cwd;
  std::free(cwd);
  const DWORD length = static_cast<DWORD>(folder.size());
  if (!lpBuffer || nBufferLength <= length) return length + 1;
  std::memcpy(lpBuffer, folder.c_str(), folder.size() + 1);
  return length;
}
