#include "game_session.h"

#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/shell.h"
#include "screens/game_over_screen.h"
#include "screens/story_screen.h"
#include "screens/title_menu.h"
#include "world/world.h"

namespace {
char g_module;  // the instance handle only has to be non-null and unique to the program
HINSTANCE instance() { return reinterpret_cast<HINSTANCE>(&g_module); }

// WinMain leaves the screens the loop made to the end of the process; the driver frees
// them, while the device they were made on still exists, so that a leak checker run on
// it reports only real leaks.
void free_screens(MainLoop& loop) {
  delete loop.world;
  delete loop.story;
  delete loop.gameOver;
  delete g_pmenu;
  loop.world = nullptr;
  loop.story = nullptr;
  loop.gameOver = nullptr;
  g_pmenu = nullptr;
}

}  // namespace

void use_headless_drivers() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
  // SDL hears controllers only while one of its windows has the keyboard's focus, which an
  // offscreen window never has.
  setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 0);
}

bool enter_run_directory(const std::string& dir, std::string* error) {
  if (chdir(dir.c_str()) == 0) return true;
  if (error) *error = dir + ": cannot enter the run directory (" + std::strerror(errno) + ")";
  return false;
}

std::string absolute_path(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  std::string base = cwd ? cwd : ".";
  std::free(cwd);
  return path.empty() || path == "." ? base : base + "/" + path;
}

bool start_game(GameSession& session) {
  session.windowOpen = start_up(instance(), session.loop);
  return session.windowOpen && !session.loop.quit;
}

void run_game_pass(GameSession& session) { run_pass(session.loop); }

int finish_game(GameSession& session) {
  free_screens(session.loop);
  if (session.windowOpen) {
    release_all();
    UnregisterClassA("VORNEX", instance());
  }
  session.windowOpen = false;
  SDL_Quit();
  return session.loop.exitStatus;
}
