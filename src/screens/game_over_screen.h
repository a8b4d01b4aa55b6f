// The game-over screen, between a finished game and the next title menu.
#ifndef VORNEX_SCREENS_GAME_OVER_SCREEN_H
#define VORNEX_SCREENS_GAME_OVER_SCREEN_H

#include "screens/widget.h"

struct GameOverScreen {
  Widget image;
  float elapsed = 0.0f;       // seconds since construction
  ID3DXFont* font = nullptr;  // the label font

  GameOverScreen();
  ~GameOverScreen();
  GameOverScreen(const GameOverScreen&) = delete;
  GameOverScreen& operator=(const GameOverScreen&) = delete;
};

void update_game_over(GameOverScreen& screen, float dt);
void draw_game_over(GameOverScreen& screen);

#endif  // VORNEX_SCREENS_GAME_OVER_SCREEN_H
