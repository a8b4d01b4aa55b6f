#include "screens/title_menu.h"

#include "app/input.h"
#include "app/shell.h"

TitleMenu::TitleMenu() = default;
TitleMenu::~TitleMenu() = default;

void update_menu(TitleMenu& menu, float dt) {
  poll_input();

  // The clamp applies to where the cursor was; this update's move may carry it past
  // the edge until the next one.
  if (menu.cursorX < 0) menu.cursorX = 0;
  if (menu.cursorX > 400) menu.cursorX = 400;
  if (menu.cursorY < 0) menu.cursorY = 0;
  if (menu.cursorY > 400) menu.cursorY = 400;

  menu.cursorX -= static_cast<int>(static_cast<double>(g_mouse_dx) * 100);
  menu.cursorY -= static_cast<int>(static_cast<double>(g_mouse_dy) * 100);

  menu.playButton.highlighted = hit_test(menu.playButton, menu.cursorX, menu.cursorY);
  menu.quitButton.highlighted = hit_test(menu.quitButton, menu.cursorX, menu.cursorY);

  menu.elapsed += dt;
  if (g_mouse_button && menu.elapsed > 0.2f) {
    if (menu.playButton.highlighted) g_screen_state = 5;
    if (menu.quitButton.highlighted) g_screen_state = 4;
  }
}

// Nothing to draw until the menu's pictures arrive.
void draw_menu(TitleMenu&) {}
