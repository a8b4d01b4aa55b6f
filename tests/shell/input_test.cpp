// Input polling: key levels from the key state, cursor offsets from the centre of the
// client area, and the re-centring.
#include "app/input.h"
#include "app/shell.h"

#include <gtest/gtest.h>

namespace {

void take_all_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

class PollInput : public ::testing::Test {
 protected:
  void SetUp() override {
    g_screen_width = 400;
    g_screen_height = 400;
    take_all_messages();
  }
  void TearDown() override {
    for (int key : {int('W'), int('S'), int('A'), int('D')}) PostMessageA(nullptr, WM_KEYUP, key, 0);
    PostMessageA(nullptr, WM_LBUTTONUP, 0, 0);
    take_all_messages();
  }
};

}  // namespace

TEST_F(PollInput, CursorAtTheCentreGivesNoMovement) {
  SetCursorPos(200, 200);
  poll_input();
  EXPECT_EQ(g_mouse_dx, 0.0f);
  EXPECT_EQ(g_mouse_dy, 0.0f);
}

TEST_F(PollInput, OffsetsAreScaledNegatedAndTheCursorReturnsToTheCentre) {
  SetCursorPos(300, 300);
  poll_input();
  EXPECT_EQ(g_mouse_dx, -2.0f);
  EXPECT_EQ(g_mouse_dy, -1.0f);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 200);
  EXPECT_EQ(p.y, 200);
  poll_input();
  EXPECT_EQ(g_mouse_dx, 0.0f) << "offsets are per poll";
}

TEST_F(PollInput, TheCentreFollowsAResize) {
  wnd_proc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(301, 200));
  SetCursorPos(150, 100);
  poll_input();
  EXPECT_EQ(g_mouse_dx, 0.0f) << "301 / 2 is 150 in integer division";
  EXPECT_EQ(g_mouse_dy, 0.0f);
  SetCursorPos(100, 150);
  poll_input();
  EXPECT_EQ(g_mouse_dx, 1.0f);
  EXPECT_EQ(g_mouse_dy, -0.5f);
}

TEST_F(PollInput, KeysAndButtonAreLevelsAsOfTheLastMessageTaken) {
  PostMessageA(nullptr, WM_KEYDOWN, 'W', 0);
  PostMessageA(nullptr, WM_KEYDOWN, 'S', 0);
  PostMessageA(nullptr, WM_LBUTTONDOWN, 0, 0);
  poll_input();
  EXPECT_EQ(g_key_w, 0) << "messages still queued have not changed the key state";
  take_all_messages();
  poll_input();
  EXPECT_EQ(g_key_w, 1);
  EXPECT_EQ(g_key_s, 1) << "W and S together both read down";
  EXPECT_EQ(g_key_a, 0);
  EXPECT_EQ(g_key_d, 0);
  EXPECT_EQ(g_mouse_button, 1);
  poll_input();
  EXPECT_EQ(g_key_w, 1) << "a held key reads down at every poll";
  PostMessageA(nullptr, WM_KEYUP, 'W', 0);
  take_all_messages();
  poll_input();
  EXPECT_EQ(g_key_w, 0);
}
