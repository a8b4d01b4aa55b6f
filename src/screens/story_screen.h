// The story screen, between the title menu and a new game.
#ifndef VORNEX_SCREENS_STORY_SCREEN_H
#define VORNEX_SCREENS_STORY_SCREEN_H

struct StoryScreen {
  float elapsed = 0.0f;

  StoryScreen();
  ~StoryScreen();
  StoryScreen(const StoryScreen&) = delete;
  StoryScreen& operator=(const StoryScreen&) = delete;
};

void update_story(StoryScreen& screen, float dt);
void draw_story(StoryScreen& screen);

#endif  // VORNEX_SCREENS_STORY_SCREEN_H
