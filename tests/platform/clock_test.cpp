#include "tickbase/platform/clock.h"

#include <gtest/gtest.h>

#include "support/scoped_clocks.h"

TEST(Clock, SeamDrivesBothClocksAndRestoresSystemClocks) {
  {
    ScopedClocks clocks(0xFFFFFF00u, 100);
    EXPECT_EQ(platform::timeGetTime(), 0xFFFFFF00u);
    EXPECT_EQ(platform::UnixTime(), 100);
    clocks.Advance(0x200);  // past the 2^32 wrap; 512 ms make no whole second yet
    EXPECT_EQ(platform::timeGetTime(), 0x100u);
    EXPECT_EQ(platform::UnixTime(), 100);
    clocks.Advance(500);
    EXPECT_EQ(platform::UnixTime(), 101);
  }
  const long now = platform::UnixTime();
  EXPECT_GT(now, 1600000000L);  // the real calendar again
}

TEST(Clock, SystemMillisecondsAdvance) {
  const DWORD before = platform::timeGetTime();
  platform::Sleep(20);
  const DWORD elapsed = platform::timeGetTime() - before;
  EXPECT_GE(elapsed, 10u);
  EXPECT_LT(elapsed, 5000u);
}
