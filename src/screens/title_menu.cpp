#include "screens/title_menu.h"

#include "app/input.h"
#include "app/shell.h"

TitleMenu::TitleMenu() {
  init_widget(title, 0, 0, 400, 400, "Art\\Title.png", 0.78125f, 0.78125f);
  init_widget(playButton, 9, 120, 381, 95, "Art\\Menu1.png", 0.744140625f, 0.7734375f);
  init_widget(quitButton, 13, 273, 215, 69, "Art\\Menu3.png", 0.83984375f, 0.5390625f);
  init_widget(cursor, 0, 0, 64, 64, "Art\\Cursor.png", 1.0f, 1.0f);
  cursorX = 100;
  cursorY = 100;
  font = create_label_font();
  elapsed = 0.0f;
}

TitleMenu::~TitleMenu() {
  release_widget(title);
  release_widget(playButton);
  release_widget(quitButton);
  release_widget(cursor);
  if (font) font->Release();
}

void update_menu(TitleMenu& menu, float dt) {
  poll_input();

  // The clamp applies to where the cursor was; this update's move may carry it past
  // the edge until the next one.
  if (menu.cursorX < 0) menu.cursorX = 0;
  if (menu.cursorX > 400) menu.cursorX = 400;
  if (menu.cursorY < 0) menu.cursorY = 0;
  if (menu.cursorY > 400) menu.cursorY = 400;

  // Products in double precision, truncated toward zero.
  menu.cursorX -= static_cast<int>(static_cast<double>(g_mouse_dx) * 100);
  menu.cursorY -= static_cast<int>(static_cast<double>(g_mouse_dy) * 100);

  menu.cursor.x = menu.cursorX;
  menu.cursor.y = menu.cursorY;

  menu.playButton.highlighted = hit_test(menu.playButton, menu.cursorX, menu.cursorY);
  menu.quitButton.highlighted = hit_test(menu.quitButton, menu.cursorX, menu.cursorY);

  menu.elapsed += dt;
  if (g_mouse_button && menu.elapsed > 0.2f) {
    if (menu.playButton.highlighted) g_screen_state = 5;
    if (menu.quitButton.highlighted) g_screen_state = 4;
  }
}

void draw_menu(TitleMenu& menu) {
  Widget* const widgets[] = {&menu.title, &menu.playButton, &menu.quitButton, &menu.cursor};
  draw_screen(widgets, 4, menu.font);
}
