// timeGetTime and Sleep. The clock counts from program start (not from system start),
// so the game's millisecond stamps stay small and exact however long the machine has run.
// Tools may swap in a virtual clock (virtual_clock.h), which Sleep advances.
#include <mmsystem.h>
#include <windows.h>

#include <chrono>

#include "virtual_clock.h"
#include "win32_internal.h"

namespace {
const std::chrono::steady_clock::time_point g_program_start = std::chrono::steady_clock::now();

bool g_virtual = false;
DWORD g_virtual_ms = 0;
}  // namespace

void virtual_clock_enable(DWORD start_ms) {
  g_virtual = true;
  g_virtual_ms = start_ms;
}

void virtual_clock_disable() { g_virtual = false; }

bool virtual_clock_enabled() { return g_virtual; }

void virtual_clock_advance(DWORD ms) {
  if (g_virtual) g_virtual_ms += ms;
}

DWORD WINAPI timeGetTime(void) {
  if (g_virtual) return g_virtual_ms;
  auto elapsed = std::chrono::steady_clock::now() - g_program_start;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  return static_cast<DWORD>(ms);  // wraps modulo 2^32, as the real counter does
}

void WINAPI Sleep(DWORD dwMilliseconds) {
  if (g_virtual) {
    g_virtual_ms += dwMilliseconds;
    return;
  }
  win32::sleep_real(dwMilliseconds);
}
