// MessageBoxA: the caption and text always go to standard error; on a real desktop the
// player also gets a dialog. Without a display (SDL's offscreen or dummy drivers, as in
// tests) nothing waits for a click.
#include "win32_internal.h"

#include <cstdio>
#include <cstring>

namespace {

bool desktop_present() {
  if (!win32::video_ready()) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

Uint32 dialog_flags(UINT type) {
  switch (type & 0xF0) {
    case MB_ICONERROR:
      return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING:
      return SDL_MESSAGEBOX_WARNING;
    default:
      return SDL_MESSAGEBOX_INFORMATION;
  }
}

}  // namespace

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  const char* caption = lpCaption ? lpCaption : "Error";
  const char* text = lpText ? lpText : "";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  if (desktop_present()) {
    SDL_Window* owner = win32::is_window(hWnd) ? hWnd->sdl : nullptr;
    SDL_ShowSimpleMessageBox(dialog_flags(uType), caption, text, owner);
  }
  return IDOK;
}
