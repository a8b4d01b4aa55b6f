// What the player meets outside the game's canvas in a browser: the page's own dialog for
// MessageBoxA, which the program waits on without stopping the page (ASYNCIFY), the
// pointer lock's end, and the end of the program, after which the page says the game has
// ended (web/shell.html).
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>

#include "../win32/win32_internal.h"

namespace {

// The page's showDialog returns a promise kept when the player answers; a page without it
// (another shell) shows nothing, and the text is on the console all the same.
EM_ASYNC_JS(void, page_dialog, (const char* caption, const char* text), {
  if (Module.showDialog) await Module.showDialog(UTF8ToString(caption), UTF8ToString(text));
});

}  // namespace

namespace win32 {

void show_dialog(HWND, const char* caption, const char* text, UINT) { page_dialog(caption, text); }

// The pointer lock (SDL's relative mode, taken at the first click) ends with the browser's
// Escape or a tab switch, and the keyboard's releases may then never reach the page.
bool input_capture_lost() {
  static bool was_locked = false;
  EmscriptenPointerlockChangeEvent lock{};
  const bool locked = emscripten_get_pointerlock_status(&lock) == EMSCRIPTEN_RESULT_SUCCESS && lock.isActive;
  const bool lost = was_locked && !locked;
  was_locked = locked;
  return lost;
}

// The runtime is ended even though the loop's waits kept it alive, so that the page's
// onExit hears the status.
void end_process(int status) {
  std::fflush(nullptr);
  emscripten_force_exit(status);
}

}  // namespace win32
