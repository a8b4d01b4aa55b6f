#include "screens/story_screen.h"

#include "screens/still_screen.h"

StoryScreen::StoryScreen() = default;
StoryScreen::~StoryScreen() = default;

// A click leads into a new game (state 1).
void update_story(StoryScreen& screen, float dt) { still_screen_step(screen.elapsed, dt, 1); }

// Nothing to draw until the story picture arrives.
void draw_story(StoryScreen&) {}
