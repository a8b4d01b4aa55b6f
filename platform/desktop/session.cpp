// What the player meets outside the game's window on the desktop: dialogs, and the end of
// the process.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "../win32/win32_internal.h"

namespace {

// Without a display (SDL's offscreen or dummy drivers, as in tests) nothing waits for a click.
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

namespace win32 {

void show_dialog(HWND owner, const char* caption, const char* text, UINT type) {
  if (!desktop_present()) return;
  SDL_ShowSimpleMessageBox(dialog_flags(type), caption, text, is_window(owner) ? owner->sdl : nullptr);
}

bool input_capture_lost() { return false; }

// Everything the program made is released by now. SDL_Quit would close the X display, and
// Mesa's software rasteriser (Debian 12's) then waited for ever, now and again, for a
// drawing thread it had left at a barrier, when the program quit just after its first
// frames on a loaded machine (a window closed during loading). So the process ends here,
// its output flushed, and the system closes the display.
void end_process(int status) {
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace win32
