// Full screen in a browser is the page's: the toggle asks the browser to show the page
// alone on the screen (or to stop), and the page's layout keeps the picture the largest
// square that fits. The browser allows it shortly after a key press, which the toggle's
// keys are. Nothing starts full screen by itself: a page may not.
#include <emscripten.h>

#include "../win32/win32_internal.h"

namespace {

EM_JS(void, toggle_page_full_screen, (), {
  if (document.fullscreenElement)
    document.exitFullscreen().catch(function() {});
  else
    document.documentElement.requestFullscreen().catch(function() {});
});

}  // namespace

namespace win32 {

void toggle_full_screen(HWND) { toggle_page_full_screen(); }
void start_full_screen_if_asked(HWND) {}

}  // namespace win32
