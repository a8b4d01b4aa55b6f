#include "input_events.h"

#include <windows.h>

namespace {

Uint32 g_buttons = 0;  // SDL's button mask, as motion events report it

bool push(SDL_Event& event) {
  event.common.timestamp = SDL_GetTicks();
  return SDL_PushEvent(&event) == 1;
}

}  // namespace

bool push_key(SDL_Keycode key, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  return push(event);
}

bool push_left_button(bool down) {
  POINT at{};
  GetCursorPos(&at);
  if (down)
    g_buttons |= SDL_BUTTON_LMASK;
  else
    g_buttons &= ~SDL_BUTTON_LMASK;
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  event.button.x = at.x;
  event.button.y = at.y;
  return push(event);
}

bool push_mouse_motion(int dx, int dy) {
  // GetCursorPos first takes every event already pushed, so motions add up.
  POINT at{};
  GetCursorPos(&at);
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.state = g_buttons;
  event.motion.x = at.x + dx;
  event.motion.y = at.y + dy;
  event.motion.xrel = dx;
  event.motion.yrel = dy;
  return push(event);
}

bool push_close() {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  return push(event);
}
