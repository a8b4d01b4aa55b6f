// The title menu: a software cursor over two buttons, Play (to the story screen) and
// Quit. The pictures join with the screen widgets; the cursor and buttons work now.
#ifndef VORNEX_SCREENS_TITLE_MENU_H
#define VORNEX_SCREENS_TITLE_MENU_H

#include "screens/button_area.h"

struct TitleMenu {
  int cursorX = 100;
  int cursorY = 100;
  ButtonArea playButton{9, 120, 381, 95};
  ButtonArea quitButton{13, 273, 215, 69};
  float elapsed = 0.0f;  // seconds since construction

  TitleMenu();
  ~TitleMenu();
  TitleMenu(const TitleMenu&) = delete;
  TitleMenu& operator=(const TitleMenu&) = delete;
};

void update_menu(TitleMenu& menu, float dt);
void draw_menu(TitleMenu& menu);

#endif  // VORNEX_SCREENS_TITLE_MENU_H
