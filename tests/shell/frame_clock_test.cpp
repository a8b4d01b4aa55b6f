// The frame clock: exact millisecond frame times from the first tick on, for a long
// session and across the counter's wrap.
#include "app/shell.h"

#include <gtest/gtest.h>

namespace {
void restart_clock() {
  g_time_started = false;
  g_frame_time = 0.0f;
}
}  // namespace

TEST(FrameClock, FirstTickMeasuresNothingAndStallsAreNotClamped) {
  restart_clock();
  tick_frame_clock(5000);
  EXPECT_EQ(g_frame_time, 0.0f);
  tick_frame_clock(5016);
  EXPECT_FLOAT_EQ(g_frame_time, 0.016f);
  tick_frame_clock(7016);
  EXPECT_FLOAT_EQ(g_frame_time, 2.0f) << "a two-second stall is passed on whole";
  tick_frame_clock(7016);
  EXPECT_EQ(g_frame_time, 0.0f);
}

TEST(FrameClock, StaysExactToTheMillisecondForALongSession) {
  // Past 2^24 ms a float stamp would step in 2 ms units; a day in, in 8 ms units.
  for (DWORD start : {DWORD(1) << 24, DWORD(1) << 25, DWORD(86400000), DWORD(23) * 3600000 + 1}) {
    restart_clock();
    tick_frame_clock(start);
    tick_frame_clock(start + 1);
    EXPECT_FLOAT_EQ(g_frame_time, 0.001f) << "at " << start;
    tick_frame_clock(start + 18);
    EXPECT_FLOAT_EQ(g_frame_time, 0.017f) << "at " << start;
  }
}

TEST(FrameClock, SurvivesTheCounterWrap) {
  restart_clock();
  tick_frame_clock(0xFFFFFFF0u);
  tick_frame_clock(0x00000010u);
  EXPECT_FLOAT_EQ(g_frame_time, 0.032f);
}

TEST(FrameClock, UpdateFrameTimeReadsTheProgramClock) {
  restart_clock();
  update_frame_time();
  EXPECT_EQ(g_frame_time, 0.0f);
  Sleep(25);
  update_frame_time();
  EXPECT_GE(g_frame_time, 0.025f);
}
