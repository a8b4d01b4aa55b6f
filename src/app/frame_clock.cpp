#include "app/shell.h"

#include <mmsystem.h>

float g_frame_time = 0.0f;
DWORD g_last_time = 0;
bool g_time_started = false;

// The first tick measures nothing (frame time 0). The difference of two unsigned stamps
// is exact and survives the counter's wrap; there is no clamp, so a stall of two
// seconds gives the next update two seconds.
void tick_frame_clock(DWORD now) {
  if (!g_time_started) {
    g_time_started = true;
    g_last_time = now;
  }
  DWORD elapsed_ms = now - g_last_time;
  g_frame_time = static_cast<float>(elapsed_ms / 1000.0);
  g_last_time = now;
}

void update_frame_time() { tick_frame_clock(timeGetTime()); }
