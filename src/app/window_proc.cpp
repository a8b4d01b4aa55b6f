#include "app/shell.h"

int g_screen_width = 400;
int g_screen_height = 400;

// Every message also goes on to DefWindowProcA; closing the window therefore posts a
// quit here and another through the WM_DESTROY that DefWindowProcA's destruction sends.
// Escape quits on release, so holding it down does nothing.
LRESULT CALLBACK wnd_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
      PostQuitMessage(0);
      break;
    case WM_SIZE:
      g_screen_height = HIWORD(lparam);
      g_screen_width = LOWORD(lparam);
      break;
    case WM_KEYUP:
      if (wparam == VK_ESCAPE) PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}
