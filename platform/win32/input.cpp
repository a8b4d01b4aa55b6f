// Key state and the cursor.
//
// GetKeyState answers from a table that advances as input messages are retrieved.
//
// The cursor is virtual: while the window has focus SDL's relative mouse mode holds and
// hides the pointer, relative motion moves the virtual cursor and SetCursorPos places
// it. Coordinates are the client area's own (the window as if at the screen origin),
// and the cursor stays inside the client area, as a real cursor stays on its screen,
// which also bounds the jumps a focus change or a lost pointer could cause. Without
// focus the pointer is released. Where relative mode is not available the virtual
// cursor follows the pointer's absolute position and SetCursorPos warps the pointer.
#include "win32_internal.h"

#include <algorithm>

namespace {

BYTE g_key_down[256];
BYTE g_key_toggled[256];
bool g_device_down[256];  // held on the keyboard or the mouse, as SDL reported it

POINT g_cursor{0, 0};
bool g_focused = false;
bool g_relative = false;
bool g_skip_next_motion = false;  // the first relative report after a grab can be a stale jump
int g_show_count = 0;             // ShowCursor's display counter; hidden below 0
// The client size the program last heard of through WM_SIZE: the centre it re-centres on.
POINT g_client_heard{0, 0};

// The client area as the program knows it from WM_SIZE: a resize not yet heard of must
// not pull the cursor off the centre the program still re-centres on.
void clamp_to_client(POINT* p) {
  if (g_client_heard.x <= 0 || g_client_heard.y <= 0) return;
  p->x = std::clamp<LONG>(p->x, 0, g_client_heard.x - 1);
  p->y = std::clamp<LONG>(p->y, 0, g_client_heard.y - 1);
}

void apply_system_cursor_visibility() {
  if (!win32::video_ready()) return;
  // Relative mode hides the pointer by itself; outside it ShowCursor's count decides.
  SDL_ShowCursor(g_show_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void set_key(int vk, bool down) {
  if (vk < 0 || vk > 255) return;
  if (down && !g_key_down[vk]) g_key_toggled[vk] ^= 1;
  g_key_down[vk] = down ? 1 : 0;
}

}  // namespace

namespace win32 {

void key_state_on_retrieve(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
      set_key(static_cast<int>(msg.wParam), true);
      break;
    case WM_KEYUP:
      set_key(static_cast<int>(msg.wParam), false);
      break;
    case WM_LBUTTONDOWN:
      set_key(VK_LBUTTON, true);
      break;
    case WM_LBUTTONUP:
      set_key(VK_LBUTTON, false);
      break;
    default:
      break;
  }
}

void key_state_reset() {
  std::fill(std::begin(g_key_down), std::end(g_key_down), 0);
  std::fill(std::begin(g_key_toggled), std::end(g_key_toggled), 0);
}

void cursor_on_motion(const SDL_MouseMotionEvent& motion) {
  if (g_relative) {
    if (g_skip_next_motion) {
      g_skip_next_motion = false;
      return;
    }
    g_cursor.x += motion.xrel;
    g_cursor.y += motion.yrel;
  } else {
    g_cursor.x = motion.x;
    g_cursor.y = motion.y;
  }
  clamp_to_client(&g_cursor);
}

void cursor_on_focus(HWND hwnd, bool gained) {
  g_focused = gained;
  if (gained) {
    g_relative = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
    g_skip_next_motion = g_relative;
  } else {
    if (g_relative) SDL_SetRelativeMouseMode(SDL_FALSE);
    g_relative = false;
    // Hand the pointer back where the player last saw the virtual one.
    if (hwnd && hwnd->sdl) SDL_WarpMouseInWindow(hwnd->sdl, g_cursor.x, g_cursor.y);
  }
  apply_system_cursor_visibility();
}

void cursor_on_window_gone(HWND) {
  if (g_relative) SDL_SetRelativeMouseMode(SDL_FALSE);
  g_relative = false;
  g_focused = false;
  if (video_ready()) SDL_ShowCursor(SDL_ENABLE);
}

void cursor_on_window_created(HWND hwnd) {
  int w = 0, h = 0;
  client_size(hwnd, &w, &h);
  g_cursor = POINT{w / 2, h / 2};
  g_client_heard = POINT{w, h};
}

POINT cursor_position() { return g_cursor; }

// The program re-centres the cursor on its client area's centre, as it knows it from
// WM_SIZE; when it hears of a new size (a resize, full screen), the cursor keeps its place
// from the centre, so that the change does not read as a sweep of the mouse.
void cursor_on_size_heard(LPARAM size) {
  const POINT now{LOWORD(size), HIWORD(size)};
  g_cursor.x += now.x / 2 - g_client_heard.x / 2;
  g_cursor.y += now.y / 2 - g_client_heard.y / 2;
  g_client_heard = now;
  clamp_to_client(&g_cursor);
}

void note_device_input(int vk, bool down) {
  if (vk >= 0 && vk < 256) g_device_down[vk] = down;
}

bool devices_hold(int vk) { return vk >= 0 && vk < 256 && g_device_down[vk]; }

void release_held_input(HWND hwnd) {
  std::fill(std::begin(g_device_down), std::end(g_device_down), false);
  gamepads_let_go(nullptr);  // the releases follow here, once each
  for (int vk = 0; vk < 256; ++vk) {
    if (!g_key_down[vk]) continue;
    if (vk == VK_LBUTTON)
      queue_message(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(g_cursor.x, g_cursor.y));
    else
      queue_message(hwnd, WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);  // repeat 1, was down, released
  }
}

}  // namespace win32

// The high bit (0x8000, and so 0x80 of the low byte's sign extension) is set while the
// key is down; bit 0 is the toggle state.
SHORT WINAPI GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  SHORT state = g_key_down[nVirtKey] ? static_cast<SHORT>(0xFF80) : 0;
  return static_cast<SHORT>(state | g_key_toggled[nVirtKey]);
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint) return FALSE;
  win32::pump_sdl_events();
  const POINT stick = win32::gamepad_cursor_step();
  g_cursor.x += stick.x;
  g_cursor.y += stick.y;
  clamp_to_client(&g_cursor);
  *lpPoint = g_cursor;
  return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
  g_cursor = POINT{X, Y};
  clamp_to_client(&g_cursor);
  HWND hwnd = win32::current_window();
  if (g_focused && !g_relative && hwnd && hwnd->sdl) SDL_WarpMouseInWindow(hwnd->sdl, g_cursor.x, g_cursor.y);
  return TRUE;
}

int WINAPI ShowCursor(BOOL bShow) {
  g_show_count += bShow ? 1 : -1;
  apply_system_cursor_visibility();
  return g_show_count;
}
