// The story screen, between the title menu and a new game.
#ifndef VORNEX_SCREENS_STORY_SCREEN_H
#define VORNEX_SCREENS_STORY_SCREEN_H

#include "screens/widget.h"

struct StoryScreen {
  Widget image;
  float elapsed = 0.0f;       // seconds since construction
  ID3DXFont* font = nullptr;  // the label font

  StoryScreen();
  ~StoryScreen();
  StoryScreen(const StoryScreen&) = delete;
  StoryScreen& operator=(const StoryScreen&) = delete;
};

void update_story(StoryScreen& screen, float dt);
void draw_story(StoryScreen& screen);

#endif  // VORNEX_SCREENS_STORY_SCREEN_H
