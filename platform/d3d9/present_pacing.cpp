#include "present_pacing.h"

#include "../win32/virtual_clock.h"

namespace {
bool g_pacing_on = true;
}  // namespace

void present_pacing_enable(bool on) { g_pacing_on = on; }

bool present_pacing_active() { return g_pacing_on && !virtual_clock_enabled(); }

namespace d3d9 {

std::chrono::nanoseconds refresh_period(int refresh_hz) {
  const int hz = refresh_hz > 0 ? refresh_hz : 60;
  return std::chrono::nanoseconds(1000000000LL / hz);
}

std::chrono::nanoseconds present_wait(std::chrono::steady_clock::time_point previous,
                                      std::chrono::steady_clock::time_point now, std::chrono::nanoseconds period) {
  const auto since = now - previous;
  if (since >= period) return std::chrono::nanoseconds(0);
  return std::chrono::duration_cast<std::chrono::nanoseconds>(period - since);
}

}  // namespace d3d9
