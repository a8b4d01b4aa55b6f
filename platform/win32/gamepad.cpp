// Game controllers, as a second pair of hands on the keyboard and the mouse. Any
// controller SDL's game-controller database knows, plugged in before or during the game:
//   left stick          W, S, A and D, held while the stick leans past its dead zone
//   right stick         moves the cursor, each time the program reads it, by up to
//                       kLookPixels scaled by the lean past the dead zone (squared, so
//                       that a small lean aims finely)
//   right trigger, A    the left mouse button
//   Back                an Escape pressed and released when Back is released
// The program sees only what a keyboard and a mouse would give it: key and button
// messages and cursor motion. A key that the keyboard and a controller both hold is
// released only when both have let go. A controller unplugged, or the window losing the
// focus, lets go of everything the controllers held.
#include "win32_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The stick walks once it leans this far, and stops once it is back within the smaller
// lean, so that a stick held near the edge does not flicker between the two.
const float kWalkPress = 0.35f;
const float kWalkRelease = 0.25f;
// The right stick's dead zone, and the cursor's move at full lean, in pixels per read:
// the program turns the view a degree per 15 pixels, so full lean turns about two degrees
// a pass, 120 degrees a second at 60 passes, as a brisk mouse does.
const float kLookDeadZone = 0.25f;
const float kLookPixels = 30.0f;
// The trigger fires past half its travel and stops below 40 %.
const float kTriggerPress = 0.5f;
const float kTriggerRelease = 0.4f;

struct Pad {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
  float axis[SDL_CONTROLLER_AXIS_MAX] = {};  // -1 .. 1 (triggers 0 .. 1)
  bool walk[4] = {};                         // W, S, A, D
  bool trigger = false;
  bool south = false;                        // the A button
};

const int kWalkKeys[4] = {'W', 'S', 'A', 'D'};

std::vector<Pad> g_pads;
// The cursor's move not yet whole pixels, carried to the next read.
float g_look_carry_x = 0.0f;
float g_look_carry_y = 0.0f;

float unit_axis(Sint16 value) { return std::max(-1.0f, value / 32767.0f); }

Pad* find_pad(SDL_JoystickID id) {
  for (Pad& pad : g_pads)
    if (pad.id == id) return &pad;
  return nullptr;
}

void queue_press(HWND hwnd, int vk, bool down) {
  if (vk == VK_LBUTTON) {
    const POINT at = win32::cursor_position();
    win32::queue_message(hwnd, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 0x0001 : 0, MAKELPARAM(at.x, at.y));
  } else {
    win32::queue_message(hwnd, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk),
                         down ? 0x00000001 : 0xC0000001);  // repeat 1; released: was down, going up
  }
}

// Applies a change to the pads' state and queues the key and button messages it makes:
// a key goes down when the first of the keyboard, the mouse and the pads takes it, and
// up when the last lets go.
template <typename Change>
void change_pads(HWND hwnd, Change change) {
  static const int kInputs[] = {'W', 'S', 'A', 'D', VK_LBUTTON};
  bool before[5];
  for (int i = 0; i < 5; ++i) before[i] = win32::gamepads_hold(kInputs[i]);
  change();
  for (int i = 0; i < 5; ++i) {
    const bool after = win32::gamepads_hold(kInputs[i]);
    if (after != before[i] && hwnd && !win32::devices_hold(kInputs[i])) queue_press(hwnd, kInputs[i], after);
  }
}

// One walking direction from the stick's lean along an axis, with the press and release
// leans apart.
bool walks(bool walking, float lean) { return walking ? lean > kWalkRelease : lean > kWalkPress; }

void apply_axis(Pad& pad, SDL_GameControllerAxis axis, float value) {
  pad.axis[axis] = value;
  switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTY:  // up is negative
      pad.walk[0] = walks(pad.walk[0], -value);
      pad.walk[1] = walks(pad.walk[1], value);
      break;
    case SDL_CONTROLLER_AXIS_LEFTX:
      pad.walk[2] = walks(pad.walk[2], -value);
      pad.walk[3] = walks(pad.walk[3], value);
      break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
      pad.trigger = pad.trigger ? value > kTriggerRelease : value > kTriggerPress;
      break;
    default:
      break;
  }
}

void open_pad(int device_index) {
  SDL_GameController* controller = SDL_GameControllerOpen(device_index);
  if (!controller) {
    std::fprintf(stderr, "VORNEX: cannot use the game controller %d: %s\n", device_index, SDL_GetError());
    return;
  }
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (find_pad(id)) {  // SDL reports controllers present at start-up once more
    SDL_GameControllerClose(controller);
    return;
  }
  Pad pad;
  pad.controller = controller;
  pad.id = id;
  g_pads.push_back(pad);
}

// Lets go of everything pad `id` holds, and closes it.
void close_pad(HWND hwnd, SDL_JoystickID id) {
  auto it = std::find_if(g_pads.begin(), g_pads.end(), [id](const Pad& pad) { return pad.id == id; });
  if (it == g_pads.end()) return;
  SDL_GameController* controller = it->controller;
  change_pads(hwnd, [&] { g_pads.erase(it); });
  SDL_GameControllerClose(controller);
}

// The right stick's lean past the dead zone, 0 .. 1 with its sign, squared.
float look_speed(float lean) {
  const float past = (std::fabs(lean) - kLookDeadZone) / (1.0f - kLookDeadZone);
  if (past <= 0.0f) return 0.0f;
  return std::copysign(past * past, lean);
}

}  // namespace

namespace win32 {

// Once, with the video (ensure_video).
void start_gamepads() {
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
    std::fprintf(stderr, "VORNEX: game controllers are off: %s\n", SDL_GetError());
}

bool gamepad_event(HWND hwnd, const SDL_Event& event) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      open_pad(event.cdevice.which);
      return true;
    case SDL_CONTROLLERDEVICEREMOVED:
      close_pad(hwnd, event.cdevice.which);
      return true;
    case SDL_CONTROLLERAXISMOTION: {
      Pad* pad = find_pad(event.caxis.which);
      if (!pad || event.caxis.axis >= SDL_CONTROLLER_AXIS_MAX) return true;
      const auto axis = static_cast<SDL_GameControllerAxis>(event.caxis.axis);
      change_pads(hwnd, [&] { apply_axis(*pad, axis, unit_axis(event.caxis.value)); });
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      Pad* pad = find_pad(event.cbutton.which);
      if (!pad) return true;
      const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
      if (event.cbutton.button == SDL_CONTROLLER_BUTTON_A) change_pads(hwnd, [&] { pad->south = down; });
      // Escape's press and release together: a controller never holds Escape, so none is
      // let go of when it is unplugged.
      if (event.cbutton.button == SDL_CONTROLLER_BUTTON_BACK && !down && hwnd) {
        queue_message(hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00000001);
        queue_message(hwnd, WM_KEYUP, VK_ESCAPE, 0xC0000001);
      }
      return true;
    }
    default:
      return false;
  }
}

void gamepads_let_go(HWND hwnd) {
  change_pads(hwnd, [] {
    for (Pad& pad : g_pads) {
      std::fill(std::begin(pad.walk), std::end(pad.walk), false);
      std::fill(std::begin(pad.axis), std::end(pad.axis), 0.0f);
      pad.trigger = pad.south = false;
    }
  });
}

bool gamepads_hold(int vk) {
  for (const Pad& pad : g_pads) {
    if (vk == VK_LBUTTON && (pad.trigger || pad.south)) return true;
    for (int i = 0; i < 4; ++i)
      if (pad.walk[i] && kWalkKeys[i] == vk) return true;
  }
  return false;
}


POINT gamepad_cursor_step() {
  float x = 0.0f, y = 0.0f;
  for (const Pad& pad : g_pads) {
    x += look_speed(pad.axis[SDL_CONTROLLER_AXIS_RIGHTX]);
    y += look_speed(pad.axis[SDL_CONTROLLER_AXIS_RIGHTY]);
  }
  g_look_carry_x += std::clamp(x, -1.0f, 1.0f) * kLookPixels;
  g_look_carry_y += std::clamp(y, -1.0f, 1.0f) * kLookPixels;
  const POINT step{static_cast<LONG>(g_look_carry_x), static_cast<LONG>(g_look_carry_y)};
  g_look_carry_x -= static_cast<float>(step.x);
  g_look_carry_y -= static_cast<float>(step.y);
  return step;
}

}  // namespace win32
