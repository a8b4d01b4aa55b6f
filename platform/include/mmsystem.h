// The subset of winmm that VORNEX uses, for Linux: the millisecond clock (the RIFF
// reader joins it later). Implemented in platform/win32.
#ifndef VORNEX_PLATFORM_MMSYSTEM_H
#define VORNEX_PLATFORM_MMSYSTEM_H

#include <windows.h>

// Milliseconds since the program started. It wraps after 49.7 days, as on Windows.
DWORD WINAPI timeGetTime(void);

#endif  // VORNEX_PLATFORM_MMSYSTEM_H
