// The thread's message queue, fed from SDL events. Messages are queued in arrival order
// and handed out one per PeekMessageA; WM_QUIT comes once the queue has nothing else, as
// Windows does with a posted quit. The key state advances as input messages are taken
// off the queue, so a tap that is down and up within one frame is still seen as down.
#include "win32_internal.h"

#include <deque>

namespace {

std::deque<MSG> g_queue;
bool g_quit_posted = false;
int g_quit_code = 0;

DWORD message_time() { return static_cast<DWORD>(SDL_GetTicks()); }

// SDL key codes to Windows virtual keys, for the keys a player may press.
int virtual_key(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  switch (key) {
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    default:
      return 0;
  }
}

// The lParam of a key message: repeat count 1, the scan code, the previous-state and
// transition bits.
LPARAM key_lparam(const SDL_KeyboardEvent& key, bool down) {
  DWORD bits = 1u | (static_cast<DWORD>(key.keysym.scancode & 0xFF) << 16);
  if (!down)
    bits |= 0xC0000000u;
  else if (key.repeat)
    bits |= 0x40000000u;
  return static_cast<LPARAM>(bits);
}

void translate(const SDL_Event& event) {
  HWND hwnd = win32::current_window();
  if (win32::gamepad_event(hwnd, event)) return;
  if (!hwnd) return;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (win32::full_screen_key(hwnd, event.key)) return;
      int vk = virtual_key(event.key.keysym.sym);
      if (vk == 0) return;
      bool down = event.type == SDL_KEYDOWN;
      win32::note_device_input(vk, down);
      if (!down && win32::gamepads_hold(vk)) return;  // a controller still holds it
      win32::queue_message(hwnd, down ? WM_KEYDOWN : WM_KEYUP, vk, key_lparam(event.key, down));
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (event.button.button != SDL_BUTTON_LEFT) return;
      POINT at = win32::cursor_position();
      bool down = event.type == SDL_MOUSEBUTTONDOWN;
      win32::note_device_input(VK_LBUTTON, down);
      if (!down && win32::gamepads_hold(VK_LBUTTON)) return;
      win32::queue_message(hwnd, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 0x0001 : 0,
                           MAKELPARAM(at.x, at.y));
      return;
    }
    case SDL_MOUSEMOTION:
      win32::cursor_on_motion(event.motion);
      return;
    case SDL_SYSWMEVENT:
      if (win32::x11_event_destroys(event, hwnd)) win32::window_destroyed_outside(hwnd);
      return;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          win32::queue_message(hwnd, WM_SIZE, SIZE_RESTORED,
                               MAKELPARAM(event.window.data1, event.window.data2));
          return;
        case SDL_WINDOWEVENT_CLOSE:
          win32::queue_message(hwnd, WM_CLOSE, 0, 0);
          return;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          win32::cursor_on_focus(hwnd, true);
          return;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          win32::cursor_on_focus(hwnd, false);
          // Controllers are not heard without the focus, and would hold what they held.
          win32::note_device_input(VK_LBUTTON, false);
          win32::gamepads_let_go(hwnd);
          // A button held while focus leaves would otherwise stay down for good.
          if (GetKeyState(VK_LBUTTON) & 0x8000) {
            POINT at = win32::cursor_position();
            win32::queue_message(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
          }
          return;
        default:
          return;
      }
    default:
      return;
  }
}

bool matches(const MSG& msg, HWND filter, UINT lo, UINT hi) {
  if (filter && msg.hwnd != filter) return false;
  if (lo == 0 && hi == 0) return true;
  return msg.message >= lo && msg.message <= hi;
}

}  // namespace

namespace win32 {

void pump_sdl_events() {
  if (!video_ready()) return;
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PollEvent(&event)) translate(event);
  HWND hwnd = current_window();
  if (x11_window_lost(hwnd)) window_destroyed_outside(hwnd);
  // Left noted while there is no window: the window made next gets it.
  hwnd = current_window();
  if (hwnd && take_quit_signal()) queue_message(hwnd, WM_CLOSE, 0, 0);
  if (hwnd && input_capture_lost()) release_held_input(hwnd);
}

void queue_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = message_time();
  msg.pt = cursor_position();
  g_queue.push_back(msg);
}

void drop_messages_for(HWND hwnd) {
  for (auto it = g_queue.begin(); it != g_queue.end();) {
    if (it->hwnd == hwnd)
      it = g_queue.erase(it);
    else
      ++it;
  }
}

}  // namespace win32

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  win32::pump_sdl_events();
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!matches(*it, hWnd, wMsgFilterMin, wMsgFilterMax)) continue;
    *lpMsg = *it;
    if (wRemoveMsg & PM_REMOVE) {
      g_queue.erase(it);
      win32::key_state_on_retrieve(*lpMsg);
    }
    return TRUE;
  }
  bool quit_wanted =
      wMsgFilterMin == 0 && wMsgFilterMax == 0 ? true : WM_QUIT >= wMsgFilterMin && WM_QUIT <= wMsgFilterMax;
  if (g_quit_posted && quit_wanted) {
    MSG quit{};
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(g_quit_code);
    quit.time = message_time();
    quit.pt = win32::cursor_position();
    *lpMsg = quit;
    if (wRemoveMsg & PM_REMOVE) g_quit_posted = false;
    return TRUE;
  }
  return FALSE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !win32::is_window(hWnd)) return FALSE;
  win32::queue_message(hWnd, Msg, wParam, lParam);
  return TRUE;
}

// Posted quits are a flag, not a queued message: the code of the last one wins.
void WINAPI PostQuitMessage(int nExitCode) {
  g_quit_posted = true;
  g_quit_code = nExitCode;
}

// Character messages are not produced on this platform (the program reads keys only
// as key messages and key state), so translation leaves the queue as it is and reports
// whether the message was a key message, as TranslateMessage does.
BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  return lpMsg && (lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_KEYUP) ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg || !win32::is_window(lpMsg->hwnd) || !lpMsg->hwnd->proc) return 0;
  const LRESULT result = lpMsg->hwnd->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
  if (lpMsg->message == WM_SIZE) win32::cursor_on_size_heard(lpMsg->lParam);
  return result;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
  if (Msg == WM_CLOSE) DestroyWindow(hWnd);
  return 0;
}
