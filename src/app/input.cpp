#include "app/input.h"

#include "app/shell.h"

BYTE g_key_w = 0;
BYTE g_key_s = 0;
BYTE g_key_a = 0;
BYTE g_key_d = 0;
BYTE g_mouse_button = 0;
float g_mouse_dx = 0.0f;
float g_mouse_dy = 0.0f;

namespace {
BYTE key_down(int key) { return (GetKeyState(key) & 0x80) ? 1 : 0; }
}  // namespace

BOOL poll_input() {
  g_key_w = key_down('W');
  g_key_s = key_down('S');
  g_key_a = key_down('A');
  g_key_d = key_down('D');
  g_mouse_button = key_down(VK_LBUTTON);

  POINT mousePos;
  GetCursorPos(&mousePos);
  int cx = g_screen_width / 2;
  int cy = g_screen_height / 2;
  g_mouse_dx = static_cast<float>(-(mousePos.x - cx) / 50.0);
  g_mouse_dy = static_cast<float>(-(mousePos.y - cy) / 100.0);
  return SetCursorPos(cx, cy);
}
