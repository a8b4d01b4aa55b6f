// The main loop's state machine, driven pass by pass against recording screens.
#include "app/input.h"
#include "app/main_loop.h"
#include "app/shell.h"
#include "recording_screens.h"
#include "screens/game_over_screen.h"
#include "screens/story_screen.h"
#include "screens/title_menu.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Names = std::vector<std::string>;

namespace {

class MainLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_screen_state = 0;
    g_time_started = false;
    g_frame_time = 0.0f;
    g_pmenu = new TitleMenu;
    clear_screen_calls();
  }
  void TearDown() override {
    delete g_pmenu;
    g_pmenu = nullptr;
    delete loop.world;
    delete loop.story;
    delete loop.gameOver;
  }
  MainLoop loop;
};

}  // namespace

TEST_F(MainLoopTest, FirstTwoUpdatesReceiveZeroFrameTime) {
  run_pass(loop);
  run_pass(loop);
  Sleep(30);
  run_pass(loop);
  run_pass(loop);
  ASSERT_EQ(screen_calls().size(), 8u);
  EXPECT_EQ(screen_calls()[0].frameTime, 0.0f);
  EXPECT_EQ(screen_calls()[2].frameTime, 0.0f);
  EXPECT_GT(screen_calls()[4].frameTime, 0.0f) << "the third update gets the second pass";
  EXPECT_LT(screen_calls()[4].frameTime, 0.030f);
  EXPECT_GE(screen_calls()[6].frameTime, 0.030f) << "the tick comes after the screen work";
}

TEST_F(MainLoopTest, MakeStatesBuildWithoutUpdatingOrDrawing) {
  for (int make : {1, 5, 7}) {
    clear_screen_calls();
    g_screen_state = make;
    run_pass(loop);
    ASSERT_EQ(screen_calls().size(), 1u) << "state " << make;
    EXPECT_EQ(g_screen_state, make + 1);
  }
  clear_screen_calls();
  g_screen_state = 1;
  run_pass(loop);
  EXPECT_EQ(screen_call_names(), (Names{"world.delete", "world.new"})) << "a new game discards the last";
}

TEST_F(MainLoopTest, NewMenuIsUpdatedAndDrawnInTheSamePass) {
  g_screen_state = -1;
  run_pass(loop);
  EXPECT_EQ(screen_call_names(), (Names{"menu.new", "menu.delete", "menu.update", "menu.draw"}));
  EXPECT_EQ(g_screen_state, 0);
}

TEST_F(MainLoopTest, WalksTheWholeCycleAndQuits) {
  // The screens write the next state themselves; here the test does it for them.
  const std::vector<std::pair<int, Names>> steps = {
      {5, {"story.new"}},
      {6, {"story.update", "story.draw"}},
      {1, {"world.new"}},
      {2, {"world.update", "world.draw"}},
      {7, {"gameover.new"}},
      {8, {"gameover.update", "gameover.draw"}},
      {-1, {"menu.new", "menu.delete", "menu.update", "menu.draw"}},
  };
  for (const auto& [state, expected] : steps) {
    if (state != 6 && state != 2 && state != 8) g_screen_state = state;
    clear_screen_calls();
    run_pass(loop);
    EXPECT_EQ(screen_call_names(), expected) << "state " << state;
  }
  g_screen_state = 4;
  clear_screen_calls();
  run_pass(loop);
  EXPECT_TRUE(loop.quit);
  EXPECT_TRUE(screen_calls().empty());
}

TEST_F(MainLoopTest, UnknownStateSpinsStillPumpingAndTicking) {
  g_screen_state = 3;
  PostMessageA(nullptr, WM_NULL, 0, 0);
  run_pass(loop);
  EXPECT_TRUE(g_time_started) << "the clock ticks";
  Sleep(20);
  run_pass(loop);
  EXPECT_GE(g_frame_time, 0.020f);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "the message was taken";
  EXPECT_TRUE(screen_calls().empty());
  EXPECT_EQ(g_screen_state, 3);
  EXPECT_FALSE(loop.quit);
}

TEST_F(MainLoopTest, TakesExactlyOneMessagePerPass) {
  for (int i = 0; i < 3; ++i) PostMessageA(nullptr, WM_NULL, i, 0);
  run_pass(loop);
  EXPECT_EQ(loop.msg.wParam, 0u);
  run_pass(loop);
  EXPECT_EQ(loop.msg.wParam, 1u);
  EXPECT_EQ(screen_call_names(), (Names{"menu.update", "menu.draw", "menu.update", "menu.draw"}));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
}

TEST_F(MainLoopTest, QuitMessageEndsThePassAtOnce) {
  tick_frame_clock(12345);
  PostQuitMessage(0);
  run_pass(loop);
  EXPECT_TRUE(loop.quit);
  EXPECT_TRUE(screen_calls().empty()) << "no screen work";
  EXPECT_EQ(g_last_time, 12345u) << "no clock tick";
}

TEST(WindowProc, EscapeQuitsOnReleaseOnly) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  wnd_proc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  wnd_proc(nullptr, WM_KEYUP, 'W', 0);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "holding Escape does nothing";
  wnd_proc(nullptr, WM_KEYUP, VK_ESCAPE, 0);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  wnd_proc(nullptr, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST(WindowProc, SizeMessageSetsTheClientSize) {
  wnd_proc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(384, 361));
  EXPECT_EQ(g_screen_width, 384);
  EXPECT_EQ(g_screen_height, 361);
  wnd_proc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 400));
}
