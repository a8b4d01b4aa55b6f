// Window classes and the window itself, on an SDL window whose client area has the
// size asked for.
#include "win32_internal.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>

namespace {

struct WindowClass {
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
};

std::map<std::string, WindowClass>& class_table() {
  static std::map<std::string, WindowClass> table;
  return table;
}

bool g_video_ready = false;
HWND g_window = nullptr;
// Every window object still allocated: a handle is checked here before it is used, so a
// stale handle (its window destroyed and freed) is refused as Windows refuses it.
std::set<HWND> g_live_windows;

bool is_live(HWND hwnd) { return hwnd && g_live_windows.count(hwnd) != 0; }

// The arrow is the only cursor there is; its handle only has to be non-null and stable.
HCURSOR arrow_cursor() {
  static char arrow;
  return reinterpret_cast<HCURSOR>(&arrow);
}

// SDL's drivers that show nothing on a screen.
bool is_invisible_driver(const char* driver) {
  return SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
}

// Whether SDL_VIDEODRIVER (environment or hint; a comma-separated list) names the driver.
bool driver_was_requested(const char* driver) {
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (!requested) return false;
  const std::string list = requested;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    if (SDL_strcasecmp(list.substr(start, end - start).c_str(), driver) == 0) return true;
    start = end + 1;
  }
  return false;
}

// The window procedure hears WM_DESTROY with the window already marked destroyed, its
// queued messages are dropped, and the object goes once nothing (a device) holds it.
void destroy(HWND hwnd) {
  hwnd->destroyed = true;
  if (hwnd->sdl && !hwnd->gone) SDL_HideWindow(hwnd->sdl);
  win32::cursor_on_window_gone(hwnd);
  hwnd->proc(hwnd, WM_DESTROY, 0, 0);
  win32::drop_messages_for(hwnd);
  if (g_window == hwnd) g_window = nullptr;
  win32::window_release(hwnd);
}

}  // namespace

namespace win32 {

bool ensure_video() {
  if (g_video_ready) return true;
  // SDL would turn SIGINT and SIGTERM into SDL_QUIT; the program's entry turns them into
  // WM_CLOSE instead (desktop/quit_signals.cpp), and tools and tests keep the default.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  set_target_video_hints();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "VORNEX: no display to open a window on: %s\n", SDL_GetError());
    return false;
  }
  // Without a display SDL falls back on its offscreen driver, and the game would run where
  // nobody can see it. The invisible drivers are for tests and tools, which ask for them.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && is_invisible_driver(driver) && !driver_was_requested(driver)) {
    std::fprintf(stderr, "VORNEX: no display to open a window on: no X11 or Wayland display found\n");
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return false;
  }
  g_video_ready = true;
  start_gamepads();
  return true;
}

bool video_ready() { return g_video_ready; }

bool is_window(HWND hwnd) { return is_live(hwnd) && !hwnd->destroyed; }

HWND current_window() { return g_window; }

void window_retain(HWND hwnd) {
  if (hwnd) ++hwnd->references;
}

void window_release(HWND hwnd) {
  if (!is_live(hwnd) || --hwnd->references > 0) return;
  if (hwnd->sdl) SDL_DestroyWindow(hwnd->sdl);
  if (hwnd->gone) x11_settle();
  if (g_window == hwnd) g_window = nullptr;
  g_live_windows.erase(hwnd);
  delete hwnd;
}

void window_destroyed_outside(HWND hwnd) {
  if (!is_live(hwnd) || hwnd->destroyed) return;
  hwnd->gone = true;
  destroy(hwnd);
}

// SDL_Quit would destroy these SDL windows after putting back Xlib's default error
// handler, which ends the process on the errors their X11 windows' absence causes.
void let_go_of_gone_windows() {
  bool any = false;
  for (HWND hwnd : g_live_windows) {
    if (!hwnd->gone || !hwnd->sdl) continue;
    SDL_DestroyWindow(hwnd->sdl);
    hwnd->sdl = nullptr;
    any = true;
  }
  if (any) x11_settle();
}

void client_size(HWND hwnd, int* width, int* height) {
  *width = 0;
  *height = 0;
  if (hwnd && hwnd->sdl) SDL_GetWindowSize(hwnd->sdl, width, height);
}

void windowed_client_size(HWND hwnd, int* width, int* height) {
  if (hwnd && hwnd->full_screen) {
    *width = hwnd->windowed.w;
    *height = hwnd->windowed.h;
    return;
  }
  client_size(hwnd, width, height);
}

}  // namespace win32

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx) {
  if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXA) || !lpwcx->lpszClassName || !lpwcx->lpfnWndProc)
    return 0;
  auto& table = class_table();
  std::string name = lpwcx->lpszClassName;
  if (name.empty() || table.count(name)) return 0;
  table[name] = WindowClass{lpwcx->lpfnWndProc, lpwcx->hInstance};
  return static_cast<ATOM>(0xC000 + table.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
  if (!lpClassName) return FALSE;
  auto& table = class_table();
  auto it = table.find(lpClassName);
  if (it == table.end()) return FALSE;
  // A class cannot be unregistered while a window of it still exists.
  if (g_window && !g_window->destroyed && g_window->class_name == lpClassName) return FALSE;
  table.erase(it);
  return TRUE;
}

// The window's client area takes the requested size (there is no frame to subtract on
// our desktop), and WM_SIZE is sent straight to the window procedure during creation,
// as Windows does.
HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND, HMENU, HINSTANCE, LPVOID) {
  if (!lpClassName) return nullptr;
  auto it = class_table().find(lpClassName);
  if (it == class_table().end()) return nullptr;
  if (g_window) {
    std::fprintf(stderr, "VORNEX: the platform supports one window at a time\n");
    return nullptr;
  }
  if (nWidth <= 0 || nHeight <= 0) return nullptr;
  if (!win32::ensure_video()) return nullptr;

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (dwStyle & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  SDL_Window* sdl = SDL_CreateWindow(lpWindowName ? lpWindowName : "", X, Y, nWidth, nHeight, flags);
  if (!sdl) {
    // A display without OpenGL still gets a window; the graphics device reports the rest.
    sdl =
        SDL_CreateWindow(lpWindowName ? lpWindowName : "", X, Y, nWidth, nHeight, flags & ~SDL_WINDOW_OPENGL);
  }
  if (!sdl) {
    std::fprintf(stderr, "VORNEX: cannot create the window: %s\n", SDL_GetError());
    return nullptr;
  }

  HWND hwnd = new HWND__;
  g_live_windows.insert(hwnd);
  hwnd->sdl = sdl;
  hwnd->proc = it->second.proc;
  hwnd->class_name = lpClassName;
  g_window = hwnd;
  win32::watch_x11_window(hwnd);
  win32::cursor_on_window_created(hwnd);

  hwnd->proc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(nWidth, nHeight));
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  if (!is_live(hWnd) || hWnd->destroyed) return FALSE;
  destroy(hWnd);
  return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  if (!is_live(hWnd) || hWnd->destroyed || !hWnd->sdl) return FALSE;
  bool was_visible = (SDL_GetWindowFlags(hWnd->sdl) & SDL_WINDOW_SHOWN) != 0;
  if (nCmdShow == SW_HIDE) {
    SDL_HideWindow(hWnd->sdl);
  } else {
    SDL_ShowWindow(hWnd->sdl);
    SDL_RaiseWindow(hWnd->sdl);
    win32::window_shown();
    if (!was_visible) win32::start_full_screen_if_asked(hWnd);
  }
  return was_visible ? TRUE : FALSE;
}

// Nothing is painted through WM_PAINT on this platform; the device presents frames.
BOOL WINAPI UpdateWindow(HWND hWnd) { return is_live(hWnd) && !hWnd->destroyed ? TRUE : FALSE; }

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  if (!is_live(hWnd) || hWnd->destroyed || !lpRect) return FALSE;
  int w = 0, h = 0;
  win32::client_size(hWnd, &w, &h);
  *lpRect = RECT{0, 0, w, h};
  return TRUE;
}

// The program has no icon resources: a named icon is not found, as on Windows.
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  if (hInstance == nullptr && lpCursorName == IDC_ARROW) return arrow_cursor();
  return nullptr;
}
