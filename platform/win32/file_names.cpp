#include "win32_internal.h"

namespace win32 {

std::string native_path(const char* windows_path) {
  std::string path = windows_path ? windows_path : "";
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace win32
