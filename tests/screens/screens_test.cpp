// The title menu's cursor and buttons, and the click guards of the story and game-over
// screens. No device: the screens' rules need none.
#include <gtest/gtest.h>

#include "app/input.h"
#include "app/shell.h"
#include "screens/game_over_screen.h"
#include "screens/story_screen.h"
#include "screens/title_menu.h"

namespace {

void take_all_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void hold_button(bool down) {
  PostMessageA(nullptr, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
  take_all_messages();
}

// Leaves the system cursor (dx, dy) pixels from the re-centring point for the next poll.
void move_mouse(int dx, int dy) { SetCursorPos(g_screen_width / 2 + dx, g_screen_height / 2 + dy); }

class Screens : public ::testing::Test {
 protected:
  void SetUp() override {
    g_screen_width = 400;
    g_screen_height = 400;
    g_screen_state = 0;
    take_all_messages();
    move_mouse(0, 0);
  }
  void TearDown() override { hold_button(false); }
};

}  // namespace

TEST_F(Screens, MenuStartsOutsideBothButtonsAndIgnoresEarlyClicks) {
  TitleMenu menu;
  EXPECT_EQ(menu.cursorX, 100);
  EXPECT_EQ(menu.cursorY, 100);
  menu.cursorX = 200;
  menu.cursorY = 150;  // over Play
  hold_button(true);
  update_menu(menu, 0.1f);
  EXPECT_TRUE(menu.playButton.highlighted);
  EXPECT_EQ(g_screen_state, 0) << "0.1 s";
  update_menu(menu, 0.1f);
  EXPECT_EQ(g_screen_state, 0) << "0.2 s is not past 0.2";
  update_menu(menu, 0.01f);
  EXPECT_EQ(g_screen_state, 5) << "this update's frame time counts";
}

TEST_F(Screens, HeldButtonTriggersWhenTheCursorArrivesAndQuitQuits) {
  TitleMenu menu;
  hold_button(true);
  update_menu(menu, 0.5f);
  EXPECT_EQ(g_screen_state, 0) << "(100, 100) is on no button";
  menu.cursorX = 100;
  menu.cursorY = 300;
  update_menu(menu, 0.016f);
  EXPECT_TRUE(menu.quitButton.highlighted);
  EXPECT_EQ(g_screen_state, 4);
}

TEST_F(Screens, MenuCursorMovesWithTheMouseTruncatingTheScaledOffsets) {
  TitleMenu menu;
  move_mouse(1, 0);  // -0.02 * 100 = -1.99999996 in float: one unit lost
  update_menu(menu, 0.016f);
  EXPECT_EQ(menu.cursorX, 101);
  move_mouse(0, 1);  // -0.01 * 100 = -0.99999998: no move
  update_menu(menu, 0.016f);
  EXPECT_EQ(menu.cursorY, 100);
  move_mouse(10, 20);
  update_menu(menu, 0.016f);
  EXPECT_EQ(menu.cursorX, 121);
  EXPECT_EQ(menu.cursorY, 120);
  EXPECT_EQ(menu.cursor.x, 121) << "the cursor image follows";
}

TEST_F(Screens, MenuCursorIsClampedAtTheStartOfTheNextUpdate) {
  TitleMenu menu;
  menu.cursorX = 390;
  move_mouse(30, 0);  // +60 units
  update_menu(menu, 0.016f);
  EXPECT_EQ(menu.cursorX, 450) << "drawn past the edge this frame";
  move_mouse(0, 0);
  update_menu(menu, 0.016f);
  EXPECT_EQ(menu.cursorX, 400);
}

TEST_F(Screens, StillScreensLeaveOnTheSixthEighthSecondWithTheButtonHeld) {
  hold_button(true);
  StoryScreen story;
  for (int update = 1; update <= 5; ++update) {
    update_story(story, 0.125f);
    EXPECT_EQ(g_screen_state, 0) << "update " << update;
  }
  update_story(story, 0.125f);
  EXPECT_EQ(g_screen_state, 1) << "the story leads into a game";

  g_screen_state = 8;
  GameOverScreen over;
  for (int update = 1; update <= 5; ++update) update_game_over(over, 0.125f);
  EXPECT_EQ(g_screen_state, 8);
  update_game_over(over, 0.125f);
  EXPECT_EQ(g_screen_state, -1) << "game over leads to a new title menu";
}

TEST_F(Screens, StillScreensIgnoreTheMouseWithoutAClick) {
  StoryScreen story;
  for (int update = 0; update < 20; ++update) update_story(story, 0.125f);
  EXPECT_EQ(g_screen_state, 0);
}
