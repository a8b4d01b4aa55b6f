// Present's pace. The game's speeds are per pass, made for Direct3D's default presentation
// interval (one retrace per Present), so Present never returns sooner than one display
// refresh after the previous Present, measured on the real clock, even where the OpenGL
// swap does not wait for the retrace. Tools that time draws switch the hold off; under the
// virtual clock (virtual_clock.h) there is no real refresh to wait for, and it is off too.
// Not part of Direct3D; the game never includes this.
#ifndef VORNEX_PLATFORM_D3D9_PRESENT_PACING_H
#define VORNEX_PLATFORM_D3D9_PRESENT_PACING_H

#include <chrono>

// On by default.
void present_pacing_enable(bool on);
// Whether the next Present holds to the refresh: switched on and the real clock in use.
bool present_pacing_active();

namespace d3d9 {

// One refresh period of a display running at refresh_hz; 60 Hz when the rate is unknown (0
// or less).
std::chrono::nanoseconds refresh_period(int refresh_hz);

// How long a Present finishing at `now` still waits so that it returns no sooner than
// `period` after the previous Present returned at `previous`; zero when that much time has
// passed already.
std::chrono::nanoseconds present_wait(std::chrono::steady_clock::time_point previous,
                                      std::chrono::steady_clock::time_point now, std::chrono::nanoseconds period);

}  // namespace d3d9

#endif  // VORNEX_PLATFORM_D3D9_PRESENT_PACING_H
