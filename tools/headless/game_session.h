// The game's own start-up, main-loop passes and shutdown, run from a tool's main
// instead of WinMain, with the drivers a machine without a display or sound card has.
#ifndef VORNEX_TOOLS_HEADLESS_GAME_SESSION_H
#define VORNEX_TOOLS_HEADLESS_GAME_SESSION_H

#include <string>

#include "app/main_loop.h"

// SDL's offscreen video (EGL on Mesa's software OpenGL) and dummy audio, unless the
// caller's environment chose others. Call before the game starts.
void use_headless_drivers();

// Makes dir the working directory: the game opens its data files there.
bool enter_run_directory(const std::string& dir, std::string* error);

// An absolute form of path, taken against the current working directory.
std::string absolute_path(const std::string& path);

struct GameSession {
  MainLoop loop;
  bool windowOpen = false;  // start_up made the window, so shutdown has work to do
};

// start_up as WinMain runs it. False when the game cannot run a pass (start-up failed,
// or the window was closed while loading); the loop's exit status says which.
bool start_game(GameSession& session);

// One main-loop pass, exactly as WinMain runs it.
void run_game_pass(GameSession& session);

// The orderly shutdown WinMain ends with, then SDL's. Returns the program's exit status.
int finish_game(GameSession& session);

#endif  // VORNEX_TOOLS_HEADLESS_GAME_SESSION_H
