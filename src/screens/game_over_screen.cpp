#include "screens/game_over_screen.h"

#include "screens/still_screen.h"

GameOverScreen::GameOverScreen() {
  init_widget(image, 0, 0, 400, 400, "Art\\GameOver.png", 0.78125f, 0.78125f);
  elapsed = 0.0f;
  font = create_label_font();
}

GameOverScreen::~GameOverScreen() {
  release_widget(image);
  if (font) font->Release();
}

// A click leads back to a new title menu (state -1).
void update_game_over(GameOverScreen& screen, float dt) { still_screen_step(screen.elapsed, dt, -1); }

void draw_game_over(GameOverScreen& screen) {
  Widget* const widgets[] = {&screen.image};
  draw_screen(widgets, 1, screen.font);
}
