// timeGetTime and Sleep. The clock counts from program start (not from system start),
// so the game's millisecond stamps stay small and exact however long the machine has run.
#include <mmsystem.h>
#include <windows.h>

#include <chrono>
#include <thread>

namespace {
const std::chrono::steady_clock::time_point g_program_start = std::chrono::steady_clock::now();
}

DWORD WINAPI timeGetTime(void) {
  auto elapsed = std::chrono::steady_clock::now() - g_program_start;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  return static_cast<DWORD>(ms);  // wraps modulo 2^32, as the real counter does
}

void WINAPI Sleep(DWORD dwMilliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
