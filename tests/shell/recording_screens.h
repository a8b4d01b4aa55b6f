// Stand-ins for the screens, the world and the play frame that record what the main
// loop asks of them, so the loop's state machine can be checked call by call.
#ifndef VORNEX_TESTS_RECORDING_SCREENS_H
#define VORNEX_TESTS_RECORDING_SCREENS_H

#include <string>
#include <vector>

struct ScreenCall {
  std::string what;  // e.g. "menu.new", "menu.update", "world.draw"
  float frameTime;   // the frame time an update received; 0 for other calls
};

std::vector<ScreenCall>& screen_calls();
// Just the names, for compact comparisons.
std::vector<std::string> screen_call_names();
void clear_screen_calls();

#endif  // VORNEX_TESTS_RECORDING_SCREENS_H
