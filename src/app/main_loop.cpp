#include "app/main_loop.h"

#include "app/shell.h"
#include "play/play_frame.h"
#include "screens/game_over_screen.h"
#include "screens/story_screen.h"
#include "screens/title_menu.h"
#include "world/world.h"


int g_screen_state = 0;
TitleMenu* g_pmenu = nullptr;

void run_pass(MainLoop& loop) {
  bool gotMessage = PeekMessageA(&loop.msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
  if (gotMessage && loop.msg.message == WM_QUIT) {
    loop.quit = true;
    return;
  }

  // Stands before the dispatch so the new menu is updated and drawn in this same pass.
  if (g_screen_state == -1) {
    TitleMenu* menu = new TitleMenu;
    delete g_pmenu;
    g_pmenu = menu;
    g_screen_state = 0;
  }

  switch (g_screen_state) {
    case 0:
      update_menu(*g_pmenu, g_frame_time);
      draw_menu(*g_pmenu);
      break;
    case 1:
      delete loop.world;
      loop.world = new World;
      g_screen_state = 2;
      break;
    case 2:
      update_world(*loop.world, g_frame_time);
      play_frame(*loop.world);
      break;
    case 4:
      loop.quit = true;
      break;
    case 5:
      delete loop.story;
      loop.story = new StoryScreen;
      g_screen_state = 6;
      break;
    case 6:
      update_story(*loop.story, g_frame_time);
      draw_story(*loop.story);
      break;
    case 7:
      delete loop.gameOver;
      loop.gameOver = new GameOverScreen;
      g_screen_state = 8;
      break;
    case 8:
      update_game_over(*loop.gameOver, g_frame_time);
      draw_game_over(*loop.gameOver);
      break;
    default:
      break;
  }

  update_frame_time();

  if (gotMessage) {
    TranslateMessage(&loop.msg);
    DispatchMessageA(&loop.msg);
  }
  Sleep(1);
}
