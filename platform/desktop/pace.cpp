// How the program waits on the desktop: Sleep and Present's hold to the display's refresh
// put the thread to sleep on the real clock.
#include <thread>

#include "../d3d9/d3d9_internal.h"
#include "../d3d9/present_pacing.h"
#include "../win32/win32_internal.h"

namespace win32 {

void sleep_real(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace win32

namespace d3d9 {

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
