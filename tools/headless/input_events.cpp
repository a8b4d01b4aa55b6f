#include "input_events.h"

#include <windows.h>

namespace {

Uint32 g_buttons = 0;  // SDL's button mask, as motion events report it

// The controller plugged in, and where SDL listed it.
SDL_Joystick* g_pad = nullptr;
int g_pad_index = -1;

Sint16 axis_value(float lean) {
  const float clamped = lean < -1.0f ? -1.0f : (lean > 1.0f ? 1.0f : lean);
  return static_cast<Sint16>(clamped * SDL_JOYSTICK_AXIS_MAX);
}

bool no_pad() {
  SDL_SetError("no controller is plugged in");
  return false;
}

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

bool plug_pad() {
  if (g_pad) {
    SDL_SetError("a controller is plugged in already");
    return false;
  }
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "VORNEX script controller";
  g_pad_index = SDL_JoystickAttachVirtualEx(&desc);
  if (g_pad_index < 0) return false;
  g_pad = SDL_JoystickOpen(g_pad_index);
  if (g_pad) return true;
  SDL_JoystickDetachVirtual(g_pad_index);
  return false;
}

bool unplug_pad() {
  if (!g_pad) return no_pad();
  SDL_JoystickClose(g_pad);
  g_pad = nullptr;
  return SDL_JoystickDetachVirtual(g_pad_index) == 0;
}

bool lean_pad_stick(bool right, float x, float y) {
  if (!g_pad) return no_pad();
  const int ax = right ? SDL_CONTROLLER_AXIS_RIGHTX : SDL_CONTROLLER_AXIS_LEFTX;
  const int ay = right ? SDL_CONTROLLER_AXIS_RIGHTY : SDL_CONTROLLER_AXIS_LEFTY;
  return SDL_JoystickSetVirtualAxis(g_pad, ax, axis_value(x)) == 0 &&
         SDL_JoystickSetVirtualAxis(g_pad, ay, axis_value(y)) == 0;
}

// A joystick's trigger axis runs the whole range, from its rest at the minimum.
bool press_pad_trigger(float amount) {
  if (!g_pad) return no_pad();
  return SDL_JoystickSetVirtualAxis(g_pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, axis_value(2.0f * amount - 1.0f)) == 0;
}

bool press_pad_button(SDL_GameControllerButton button, bool down) {
  if (!g_pad) return no_pad();
  return SDL_JoystickSetVirtualButton(g_pad, button, down ? SDL_PRESSED : SDL_RELEASED) == 0;
}
