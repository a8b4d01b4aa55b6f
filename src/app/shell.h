// The application shell: the screen state, the frame clock, the window procedure and
// shutdown. The main loop itself is in main_loop.h; input polling in input.h.
#ifndef VORNEX_APP_SHELL_H
#define VORNEX_APP_SHELL_H

#include <windows.h>

struct TitleMenu;

// Screen states: -1 make a menu, 0 menu, 1 make a world, 2 play, 4 quit, 5 make the
// story screen, 6 story, 7 make the game-over screen, 8 game over.
extern int g_screen_state;
// Length of the previous frame in seconds, handed to every screen update.
extern float g_frame_time;
// Millisecond stamp of the previous clock tick. Kept as an integer count so frame times
// stay exact to the millisecond however long the program runs.
extern DWORD g_last_time;
extern bool g_time_started;
// Client size of the window; half of each is where the mouse is re-centred.
extern int g_screen_width;
extern int g_screen_height;
// The title menu that state 0 drives.
extern TitleMenu* g_pmenu;

LRESULT CALLBACK wnd_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Ticks the frame clock from timeGetTime.
void update_frame_time();
// The clock tick itself, at a given millisecond stamp.
void tick_frame_clock(DWORD now);

// Shutdown of the devices, in order.
void release_all();

#endif  // VORNEX_APP_SHELL_H
