// How the program waits in a browser. The game's loop blocks, as a Windows program's does;
// the link's ASYNCIFY lets it give the browser its turn wherever it waits: Sleep yields for
// its milliseconds, and Present returns at the next animation frame, at most once a frame
// and at the display's pace, as Direct3D's Present with its default interval does.
#include <emscripten.h>

#include "../d3d9/d3d9_internal.h"
#include "../d3d9/present_pacing.h"
#include "../win32/win32_internal.h"

namespace {

EM_ASYNC_JS(void, wait_for_animation_frame, (), {
  await new Promise(function(resume) { requestAnimationFrame(function() { resume(); }); });
});

}  // namespace

namespace win32 {

void sleep_real(DWORD milliseconds) { emscripten_sleep(milliseconds); }

// SDL's swap would yield to the browser as well (a zero sleep, a pass of the event loop
// for nothing): Present's wait for the frame already does.
void set_target_video_hints() { SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0"); }

}  // namespace win32

namespace d3d9 {

void hold_to_refresh(D3d9DeviceState* state) {
  if (present_pacing_active()) wait_for_animation_frame();
  state->presented = true;
  state->lastPresent = std::chrono::steady_clock::now();
}

}  // namespace d3d9
