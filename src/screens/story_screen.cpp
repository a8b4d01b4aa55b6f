#include "screens/story_screen.h"

#include "screens/still_screen.h"

StoryScreen::StoryScreen() {
  init_widget(image, 0, 0, 400, 400, "Art\\Story.png", 0.78125f, 0.78125f);
  elapsed = 0.0f;
  font = create_label_font();
}

StoryScreen::~StoryScreen() {
  release_widget(image);
  if (font) font->Release();
}

// A click leads into a new game (state 1).
void update_story(StoryScreen& screen, float dt) { still_screen_step(screen.elapsed, dt, 1); }

void draw_story(StoryScreen& screen) {
  Widget* const widgets[] = {&screen.image};
  draw_screen(widgets, 1, screen.font);
}
