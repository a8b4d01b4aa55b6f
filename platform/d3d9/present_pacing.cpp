#include "present_pacing.h"

#include <thread>

#include "../win32/virtual_clock.h"
#include "d3d9_internal.h"

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

// Where the swap really waited for the retrace, a period has passed already and this
// sleeps not at all.
void hold_to_refresh(D3d9DeviceState* state) {
  const auto now = std::chrono::steady_clock::now();
  if (present_pacing_active() && state->presented) {
    const auto wait = present_wait(state->lastPresent, now, state->refreshPeriod);
    if (wait.count() > 0) std::this_thread::sleep_until(now + wait);
  }
  state->presented = true;
  state->lastPresent = std::chrono::steady_clock::now();
}

}  // namespace d3d9
