// Start-up, the main loop's pass and its screen state machine.
#ifndef VORNEX_APP_MAIN_LOOP_H
#define VORNEX_APP_MAIN_LOOP_H

#include <windows.h>

struct World;
struct StoryScreen;
struct GameOverScreen;

// What the loop keeps between passes: the quit flag, the last message and the screen
// objects it owns (each lives from its make state to the next visit of that state).
struct MainLoop {
  bool quit = false;
  MSG msg{};
  World* world = nullptr;
  StoryScreen* story = nullptr;
  GameOverScreen* gameOver = nullptr;
  int exitStatus = 0;  // non-zero when start-up failed
};

// Registers the class, opens the window and brings up the game up to the first title
// menu. False when there is no window (nothing to shut down but the class); a later
// failure sets the loop's quit flag and exit status, so shutdown runs in order.
bool start_up(HINSTANCE instance, MainLoop& loop);

// One pass: at most one message, one screen step, a clock tick, a 1 ms sleep.
void run_pass(MainLoop& loop);

#endif  // VORNEX_APP_MAIN_LOOP_H
