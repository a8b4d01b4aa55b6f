// The headless driver's input script: one step a line, each at a time on the virtual
// clock, in milliseconds.
//
//   # a comment, and blank lines, are skipped
//   at 1200 key down W          absolute time
//   after 400 key up W          time relative to the previous step
//   after 0 button down         the left mouse button (button up releases it)
//   after 40 mouse 20 -5        the mouse moved by (dx, dy) pixels
//   after 0 close               the window's close button
//   after 0 shot title.png      saves the frame on screen as a PNG
//   after 0 expect state 8      the screen state now
//   after 0 expect kills >= 1   the World's kill count (ops = != < <= > >=)
//   after 0 expect shots >= 1   bolts fired in the game so far
//   after 0 expect heading > 20 the view's heading in whole degrees (0 to 359, clockwise
//                               from where the program starts looking)
//   after 0 expect quit         the program has quit by now
//   after 0 memory              prints the process's peak and present memory use
//   after 0 pad plug            a game controller plugged in (pad unplug pulls it out)
//   after 0 pad left 0 -100     its left stick leaned (percent of full lean, -100 to
//                               100 each way; up is negative); pad right: the right stick
//   after 0 pad trigger 100     its right trigger pressed (percent)
//   after 0 pad press A         a button pressed (pad release NAME lets go); names as
//                               SDL's game-controller database spells them: a, b, back,
//                               start, leftshoulder, ...
//   repeat 5                    the steps up to "end" five times over (relative
//     after 100 mouse 4 0       times only; blocks do not nest)
//   end
//
// Keys are letters, digits, F1-F12 or Escape, Return, Space, Tab, Left, Right, Up, Down.
#ifndef VORNEX_TOOLS_HEADLESS_SCRIPT_H
#define VORNEX_TOOLS_HEADLESS_SCRIPT_H

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

enum class StepKind {
  kKeyDown,
  kKeyUp,
  kButtonDown,
  kButtonUp,
  kMouse,
  kClose,
  kShot,
  kExpectState,
  kExpectKills,
  kExpectQuit,
  kExpectShots,
  kExpectHeading,
  kMemory,
  kPadPlug,
  kPadUnplug,
  kPadLeftStick,
  kPadRightStick,
  kPadTrigger,
  kPadPress,
  kPadRelease,
};

enum class Compare { kEqual, kNotEqual, kLess, kLessEqual, kGreater, kGreaterEqual };

struct ScriptStep {
  uint32_t atMs = 0;
  StepKind kind = StepKind::kExpectQuit;
  SDL_Keycode key = SDLK_UNKNOWN;  // key steps
  int dx = 0;                      // mouse steps
  int dy = 0;
  int value = 0;  // expected state, count or heading; a pad's lean or trigger, in percent
  SDL_GameControllerButton button = SDL_CONTROLLER_BUTTON_INVALID;  // pad button steps
  Compare compare = Compare::kEqual;
  std::string file;  // shot steps
  int line = 0;      // where the step stands in the script, for messages
  std::string text;  // the line as written, for messages
};

// Reads a whole script. On failure returns false with "line N: what is wrong" in
// *error and leaves *steps as it was. Times never go backwards: a step earlier than the
// one before it is an error.
bool parse_script(const std::string& text, std::vector<ScriptStep>* steps, std::string* error);

// Reads the script file at path; error messages start with the path.
bool load_script(const std::string& path, std::vector<ScriptStep>* steps, std::string* error);

// The SDL key for a script's key name (case-insensitive); SDLK_UNKNOWN when unknown.
SDL_Keycode key_from_name(const std::string& name);

bool compare_holds(Compare compare, int actual, int expected);
const char* compare_text(Compare compare);

#endif  // VORNEX_TOOLS_HEADLESS_SCRIPT_H
