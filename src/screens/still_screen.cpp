#include "screens/still_screen.h"

#include "app/input.h"
#include "app/shell.h"

bool still_screen_step(float& elapsed, float dt, int nextState) {
  poll_input();
  bool leaving = g_mouse_button && elapsed > 0.5f;
  if (leaving) g_screen_state = nextState;
  elapsed += dt;
  return leaving;
}
