// The virtual clock tools drive the program with: while it is on, timeGetTime reads it
// and Sleep moves it on instead of waiting; switched off, the real clock is back.
#include <mmsystem.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "win32/virtual_clock.h"

namespace {

class VirtualClock : public ::testing::Test {
 protected:
  void TearDown() override { virtual_clock_disable(); }
};

TEST_F(VirtualClock, ReadsTheStartAndMovesOnlyWhenAdvanced) {
  virtual_clock_enable(5000);
  EXPECT_TRUE(virtual_clock_enabled());
  EXPECT_EQ(timeGetTime(), 5000u);
  EXPECT_EQ(timeGetTime(), 5000u) << "virtual time stands still between advances";
  virtual_clock_advance(16);
  EXPECT_EQ(timeGetTime(), 5016u);
}

TEST_F(VirtualClock, SleepAdvancesItInsteadOfWaiting) {
  virtual_clock_enable(0);
  // An hour: were it a real sleep, the test would time out.
  Sleep(3600u * 1000u);
  Sleep(1);
  EXPECT_EQ(timeGetTime(), 3600u * 1000u + 1u);
}

TEST_F(VirtualClock, WrapsAsTheRealCounterDoes) {
  virtual_clock_enable(0xFFFFFFF0u);
  virtual_clock_advance(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  EXPECT_EQ(timeGetTime() - 0xFFFFFFF0u, 0x20u) << "differences of stamps stay exact across the wrap";
}

TEST_F(VirtualClock, SwitchedOffTheRealClockIsBackAndAdvancesAreIgnored) {
  const DWORD real = timeGetTime();
  virtual_clock_enable(real + 1000000u);
  virtual_clock_disable();
  EXPECT_FALSE(virtual_clock_enabled());
  virtual_clock_advance(1000000u);
  const DWORD after = timeGetTime();
  EXPECT_GE(after, real);
  EXPECT_LT(after - real, 500000u) << "the real clock counts from program start, not the virtual time";
}

}  // namespace
