// What a desktop has and a browser has not: X11 windows that other clients destroy, and
// quit signals. In a page the window (the canvas) ends with the page.
#include "../win32/win32_internal.h"

namespace win32 {

void watch_x11_window(HWND) {}
bool x11_event_destroys(const SDL_Event&, HWND) { return false; }
bool x11_window_lost(HWND) { return false; }
void x11_settle() {}

void catch_quit_signals() {}
void window_shown() {}
bool take_quit_signal() { return false; }

}  // namespace win32
