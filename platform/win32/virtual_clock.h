// A virtual clock for tools and tests that drive the program frame by frame: while it
// is on, timeGetTime reports the virtual time and Sleep advances it instead of
// sleeping, so a run depends on the frames stepped and not on how fast the machine is.
// Not part of Win32; the game never includes this.
#ifndef VORNEX_PLATFORM_WIN32_VIRTUAL_CLOCK_H
#define VORNEX_PLATFORM_WIN32_VIRTUAL_CLOCK_H

#include <windows.h>

// Switches the virtual clock on, reading start_ms.
void virtual_clock_enable(DWORD start_ms);
// Back to the real clock (counting from program start, as before).
void virtual_clock_disable();
bool virtual_clock_enabled();
// Moves the virtual time on by ms (wrapping as the real counter does). Ignored while off.
void virtual_clock_advance(DWORD ms);

#endif  // VORNEX_PLATFORM_WIN32_VIRTUAL_CLOCK_H
