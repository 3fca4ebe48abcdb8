// The main loop's schedule, on plain millisecond values.
#include <gtest/gtest.h>

#include "steady_tick.h"

TEST(SteadyTickTest, DeadlinesStayAPeriodApartWhileTicksTakeTime) {
  cSteadyTick tick(20, 1000);
  EXPECT_EQ(tick.WaitMs(1000), 0);
  for (int i = 0; i < 3; ++i) {
    const std::int64_t due = 1000 + 20 * i;
    tick.Done(due, due + 15);  // 15 ms of work leaves 5 ms of wait
    EXPECT_EQ(tick.WaitMs(due + 15), 5);
  }
  EXPECT_EQ(tick.ticks(), 3u);
  EXPECT_EQ(tick.overruns(), 0u);
  EXPECT_EQ(tick.longestMs(), 15);
}

TEST(SteadyTickTest, AnOverrunIsCountedAndNotMadeUpWithABurst) {
  cSteadyTick tick(20, 0);
  tick.Done(0, 25);  // past the next deadline, but less than a period late
  EXPECT_EQ(tick.overruns(), 1u);
  EXPECT_EQ(tick.WaitMs(25), 0);
  tick.Done(25, 30);
  EXPECT_EQ(tick.WaitMs(30), 10);  // back on the 20 ms grid
  tick.Done(40, 130);  // a long stall: the schedule restarts at its end
  EXPECT_EQ(tick.overruns(), 2u);
  EXPECT_EQ(tick.longestMs(), 90);
  EXPECT_EQ(tick.WaitMs(130), 0);
  tick.Done(130, 131);
  EXPECT_EQ(tick.WaitMs(131), 19);
}
