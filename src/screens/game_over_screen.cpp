#include "screens/game_over_screen.h"

#include "screens/still_screen.h"

GameOverScreen::GameOverScreen() = default;
GameOverScreen::~GameOverScreen() = default;

// A click leads back to a new title menu (state -1).
void update_game_over(GameOverScreen& screen, float dt) { still_screen_step(screen.elapsed, dt, -1); }

// Nothing to draw until the game-over picture arrives.
void draw_game_over(GameOverScreen&) {}
