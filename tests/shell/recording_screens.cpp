#include "recording_screens.h"

#include "play/play_frame.h"
#include "screens/game_over_screen.h"
#include "screens/story_screen.h"
#include "screens/title_menu.h"
#include "world/world.h"

std::vector<ScreenCall>& screen_calls() {
  static std::vector<ScreenCall> calls;
  return calls;
}

std::vector<std::string> screen_call_names() {
  std::vector<std::string> names;
  for (const auto& call : screen_calls()) names.push_back(call.what);
  return names;
}

void clear_screen_calls() { screen_calls().clear(); }

namespace {
void record(const char* what, float frameTime = 0.0f) { screen_calls().push_back({what, frameTime}); }
}  // namespace

World* g_world = nullptr;

TitleMenu::TitleMenu() { record("menu.new"); }
TitleMenu::~TitleMenu() { record("menu.delete"); }
void update_menu(TitleMenu&, float dt) { record("menu.update", dt); }
void draw_menu(TitleMenu&) { record("menu.draw"); }

StoryScreen::StoryScreen() { record("story.new"); }
StoryScreen::~StoryScreen() { record("story.delete"); }
void update_story(StoryScreen&, float dt) { record("story.update", dt); }
void draw_story(StoryScreen&) { record("story.draw"); }

GameOverScreen::GameOverScreen() { record("gameover.new"); }
GameOverScreen::~GameOverScreen() { record("gameover.delete"); }
void update_game_over(GameOverScreen&, float dt) { record("gameover.update", dt); }
void draw_game_over(GameOverScreen&) { record("gameover.draw"); }

World::World() { record("world.new"); }
World::~World() { record("world.delete"); }
void update_world(World&, float dt) { record("world.update", dt); }
void play_frame(World&) { record("world.draw"); }
