// The full-screen toggle's keys, Alt+Enter and F11, taken before the program sees them:
// neither their presses nor their releases become key messages.
#include "win32_internal.h"

namespace {

// An Enter pressed with Alt toggled; its release is the toggle's too, even when Alt was
// let go first.
bool g_enter_taken = false;

}  // namespace

namespace win32 {

bool full_screen_key(HWND hwnd, const SDL_KeyboardEvent& key) {
  const bool down = key.type == SDL_KEYDOWN;
  const SDL_Keycode sym = key.keysym.sym;
  const bool enter = sym == SDLK_RETURN || sym == SDLK_KP_ENTER;
  if (enter && down && (key.keysym.mod & KMOD_ALT)) {
    if (!key.repeat) toggle_full_screen(hwnd);
    g_enter_taken = true;
    return true;
  }
  if (enter && !down && g_enter_taken) {
    g_enter_taken = false;
    return true;
  }
  if (sym != SDLK_F11) return false;
  if (down && !key.repeat) toggle_full_screen(hwnd);
  return true;
}

}  // namespace win32
