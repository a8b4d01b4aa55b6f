// Scripted input delivered the way a player's arrives: as SDL events on SDL's queue,
// which the platform's message queue turns into window messages and cursor motion.
#ifndef VORNEX_TOOLS_HEADLESS_INPUT_EVENTS_H
#define VORNEX_TOOLS_HEADLESS_INPUT_EVENTS_H

#include <SDL.h>

// False when SDL refused the event (its queue is full or events are off).
bool push_key(SDL_Keycode key, bool down);
bool push_left_button(bool down);
// Motion by (dx, dy) pixels from where the game's cursor is now. The event carries both
// the relative motion (used under relative mouse mode) and the absolute position it
// leads to (used without it, as under the offscreen driver).
bool push_mouse_motion(int dx, int dy);
// The window's close button.
bool push_close();

// A game controller, as SDL's virtual joystick in its standard layout: plugged in and
// out, its sticks leaned (-1 to 1 each way; up is negative y), its right trigger pressed
// (0 to 1), its buttons. False with SDL's reason when SDL refused, or when there is no
// controller plugged in to move.
bool plug_pad();
bool unplug_pad();
bool lean_pad_stick(bool right, float x, float y);
bool press_pad_trigger(float amount);
bool press_pad_button(SDL_GameControllerButton button, bool down);

#endif  // VORNEX_TOOLS_HEADLESS_INPUT_EVENTS_H
