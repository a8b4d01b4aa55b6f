// Full screen on the desktop: the window covers the desktop at its own resolution
// (borderless, no mode change), and goes back to the size and place it had. The window
// procedure hears the new client size through WM_SIZE, as for any resize; Present keeps
// the picture's shape while the window is full screen (HWND__::full_screen).
//
// Full screen is the window manager's to grant (SDL asks it). An X display without one
// (a bare X server, a kiosk) would leave the request unanswered, so there the window
// itself is made borderless and placed over the display.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../win32/win32_internal.h"

namespace {

// How the window was before it went full screen (its place and size are in the HWND).
struct WindowedLook {
  bool bordered = true;
  bool by_window_manager = false;  // SDL's full screen, rather than the window placed over the display
};
WindowedLook g_windowed;

void go_full_screen(HWND hwnd) {
  SDL_Window* sdl = hwnd->sdl;
  SDL_GetWindowPosition(sdl, &hwnd->windowed.x, &hwnd->windowed.y);
  SDL_GetWindowSize(sdl, &hwnd->windowed.w, &hwnd->windowed.h);
  g_windowed.bordered = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_BORDERLESS) == 0;
  g_windowed.by_window_manager = win32::window_manager_present(hwnd);
  if (g_windowed.by_window_manager) {
    if (SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      std::fprintf(stderr, "VORNEX: cannot go full screen: %s\n", SDL_GetError());
      return;
    }
  } else {
    SDL_Rect desktop;
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(sdl), &desktop) != 0) {
      std::fprintf(stderr, "VORNEX: cannot go full screen: %s\n", SDL_GetError());
      return;
    }
    SDL_SetWindowBordered(sdl, SDL_FALSE);
    SDL_SetWindowPosition(sdl, desktop.x, desktop.y);
    SDL_SetWindowSize(sdl, desktop.w, desktop.h);
    SDL_RaiseWindow(sdl);
  }
  hwnd->full_screen = true;
}

void go_windowed(HWND hwnd) {
  SDL_Window* sdl = hwnd->sdl;
  if (g_windowed.by_window_manager && SDL_SetWindowFullscreen(sdl, 0) != 0) {
    std::fprintf(stderr, "VORNEX: cannot leave full screen: %s\n", SDL_GetError());
    return;
  }
  SDL_SetWindowBordered(sdl, g_windowed.bordered ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowSize(sdl, hwnd->windowed.w, hwnd->windowed.h);
  SDL_SetWindowPosition(sdl, hwnd->windowed.x, hwnd->windowed.y);
  hwnd->full_screen = false;
}

}  // namespace

namespace win32 {

void toggle_full_screen(HWND hwnd) {
  if (!is_window(hwnd) || !hwnd->sdl) return;
  if (hwnd->full_screen)
    go_windowed(hwnd);
  else
    go_full_screen(hwnd);
}

// The launcher's request (`vornex --fullscreen`, the desktop entry's "Play full screen").
void start_full_screen_if_asked(HWND hwnd) {
  const char* asked = std::getenv("VORNEX_FULLSCREEN");
  if (asked && std::strcmp(asked, "1") == 0 && is_window(hwnd) && hwnd->sdl && !hwnd->full_screen)
    go_full_screen(hwnd);
}

}  // namespace win32
