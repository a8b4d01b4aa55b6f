// The title menu: a full-window title picture, a Play button (to the story screen and
// then a game), a Quit button, and a software cursor drawn as an image.
#ifndef VORNEX_SCREENS_TITLE_MENU_H
#define VORNEX_SCREENS_TITLE_MENU_H

#include "screens/widget.h"

struct TitleMenu {
  int cursorX = 100;  // the menu cursor in screen space
  int cursorY = 100;
  Widget title;
  Widget playButton;
  Widget quitButton;
  Widget cursor;
  ID3DXFont* font = nullptr;  // the label font
  float elapsed = 0.0f;       // seconds since construction

  TitleMenu();
  ~TitleMenu();
  TitleMenu(const TitleMenu&) = delete;
  TitleMenu& operator=(const TitleMenu&) = delete;
};

void update_menu(TitleMenu& menu, float dt);
void draw_menu(TitleMenu& menu);

#endif  // VORNEX_SCREENS_TITLE_MENU_H
