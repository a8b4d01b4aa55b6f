// A window destroyed by another X client (xdotool windowclose, a session tearing down):
// on Windows that window gets WM_DESTROY and the program quits its ordinary way. Here
// the X server destroys the window under SDL, and every later request that names it
// (a swap, a pointer query, SDL's own teardown) fails; Xlib's default error handler
// would end the process with status 1. So the platform watches its windows' X11 ids:
// their DestroyNotify, or a BadWindow naming one, makes the window destroyed (see
// window_destroyed_outside), and the errors of requests naming a window of ours are
// passed over, as requests that raced the window's end. Errors about anything else
// still go to the handler that was installed before.
#include "../win32/win32_internal.h"

#include <SDL_syswm.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

namespace {

// The X11 ids of every window the program made. Kept after a window is gone: errors
// about it can arrive long after the requests that caused them.
std::vector<Window> g_x11_windows;
Display* g_display = nullptr;
int (*g_previous_handler)(Display*, XErrorEvent*) = nullptr;
bool g_handler_installed = false;
// A BadWindow naming one of our windows, noted by the error handler (which may not
// call back into Xlib or the program) and acted on at the next event pump.
Window g_lost_window = 0;

bool ours(Window w) { return std::find(g_x11_windows.begin(), g_x11_windows.end(), w) != g_x11_windows.end(); }

int on_x11_error(Display* display, XErrorEvent* error) {
  if (ours(static_cast<Window>(error->resourceid))) {
    if (error->error_code == BadWindow) g_lost_window = static_cast<Window>(error->resourceid);
    return 0;
  }
  return g_previous_handler ? g_previous_handler(display, error) : 0;
}

bool x11_ids(HWND hwnd, Display** display, Window* window) {
  if (!hwnd || !hwnd->sdl) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(hwnd->sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *window = info.info.x11.window;
  return true;
}

}  // namespace

namespace win32 {

// SDL asks X11 compositors by default to stop compositing while its window shows (meant
// for full-screen games); the game's window is an ordinary window of the desktop.
void set_target_video_hints() { SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0"); }

void watch_x11_window(HWND hwnd) {
  Display* display = nullptr;
  Window window = 0;
  if (!x11_ids(hwnd, &display, &window)) return;  // another video driver: nothing to watch
  hwnd->x11_window = window;
  g_display = display;
  g_x11_windows.push_back(window);
  // Installed after SDL's own handler, which stays the one for every other error.
  if (!g_handler_installed) {
    g_previous_handler = XSetErrorHandler(on_x11_error);
    g_handler_installed = true;
  }
  // Every X event also comes as an SDL system event, DestroyNotify among them.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool x11_event_destroys(const SDL_Event& event, HWND hwnd) {
  if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& x = event.syswm.msg->msg.x11.event;
  return x.type == DestroyNotify && hwnd && hwnd->x11_window != 0 && x.xdestroywindow.window == hwnd->x11_window;
}

bool x11_window_lost(HWND hwnd) {
  return hwnd && hwnd->x11_window != 0 && g_lost_window == hwnd->x11_window;
}

bool window_manager_present(HWND hwnd) {
  Display* display = nullptr;
  Window window = 0;
  if (!x11_ids(hwnd, &display, &window)) return true;
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, left = 0;
  unsigned char* value = nullptr;
  const bool found = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                        &format, &items, &left, &value) == Success &&
                     type == XA_WINDOW && items == 1;
  if (value) XFree(value);
  return found;
}

void x11_settle() {
  if (g_display && g_handler_installed) XSync(g_display, False);
}

}  // namespace win32
