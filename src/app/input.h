// Input polling: the keys and mouse the game reads, sampled once per screen update.
#ifndef VORNEX_APP_INPUT_H
#define VORNEX_APP_INPUT_H

#include <windows.h>

// 1 while the key or button is down, as of the last message the loop retrieved.
extern BYTE g_key_w;
extern BYTE g_key_s;
extern BYTE g_key_a;
extern BYTE g_key_d;
extern BYTE g_mouse_button;
// Cursor offset from the re-centring point at the last poll, divided by -50 (x) and
// -100 (y): moving right or down gives negative values.
extern float g_mouse_dx;
extern float g_mouse_dy;

// Samples the keys and the cursor, then puts the cursor back at the centre of the
// client area. Returns SetCursorPos's result.
BOOL poll_input();

#endif  // VORNEX_APP_INPUT_H
