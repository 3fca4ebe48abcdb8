// Timing scopes on the injected ms clock, and the timing of service runs.
#include "tickbase/timer/timing_scope.h"

#include <gtest/gtest.h>

#include "support/capture.h"
#include "support/scoped_clocks.h"
#include "tickbase/timer/service_map.h"
#include "timer/timer_support.h"

namespace {

// " 【costtime】 " in GBK.
const std::string kLabel = " \xA1\xBE" "costtime" "\xA1\xBF ";

WORD Foreground() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
  return info.wAttributes & 0x0F;
}

}  // namespace

class TimingScopeTest : public ::testing::Test {
 protected:
  void SetUp() override { SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 7); }
  ScopedClocks m_clocks{0xFFFFFFF0u};  // every scope here spans the wrap
};

TEST_F(TimingScopeTest, FunctionReportsOnlyPastItsLimit) {
  CoutCapture out;
  {
    cTimerFunction exact("exact", 100, 1);
    m_clocks.Advance(100);
  }
  EXPECT_EQ(out.text(), "");
  {
    cTimerFunction over("over", 100, 1);
    m_clocks.Advance(101);
    EXPECT_TRUE(over.OverLimit());
  }
  EXPECT_EQ(out.text(), "over cost time 101\n");
}

TEST_F(TimingScopeTest, UnstartedTimerMeasuresFromItsRestart) {
  cTimer timer(0);
  m_clocks.Advance(500);
  EXPECT_EQ(timer.Restart(), m_clocks.ms());
  m_clocks.Advance(20);
  EXPECT_EQ(timer.Elapsed(), 20u);
}

TEST_F(TimingScopeTest, NestedFramesReportTheirDepth) {
  ChannelCapture channel("quenlet.timererror");
  CoutCapture out;
  EXPECT_EQ(GetTimerFunctionFrameLevel(), 0);
  {
    cTimerFunctionFrame outer("outer", "p1", 10, 1);
    {
      cTimerFunctionFrame inner("inner", "p2", 10, 1);
      EXPECT_EQ(GetTimerFunctionFrameLevel(), 2);
      m_clocks.Advance(11);
    }
    { cTimerFunctionFrame quick("quick", "p3", 10, 1); }
    EXPECT_EQ(GetTimerFunctionFrameLevel(), 1);
  }
  EXPECT_EQ(GetTimerFunctionFrameLevel(), 0);
  EXPECT_EQ(channel.messages(), (std::vector<std::string>{"inner" + kLabel + "11 param p2 level 2",
                                                         "outer" + kLabel + "11 param p1 level 1"}));
  EXPECT_EQ(out.text(), "");  // the frame's report replaces the plain line
  EXPECT_EQ(Foreground(), 11);
}

TEST_F(TimingScopeTest, FrameReportsInRedAndLeavesCyan) {
  ChannelCapture channel("quenlet.timererror");
  FlushColors flushes;
  {
    cTimerFunctionFrame frame("frame", "p", 0, 1);
    m_clocks.Advance(1);
  }
  EXPECT_EQ(flushes.colors(), (std::vector<WORD>{7, 12}));
  EXPECT_EQ(Foreground(), 11);
  EXPECT_EQ(flushes.text(), "");
  EXPECT_EQ(channel.messages(), (std::vector<std::string>{"frame" + kLabel + "1 param p level 1"}));
  EXPECT_EQ(GetTimerFunctionFrameLevel(), 0);
}

TEST_F(TimingScopeTest, LogWithLimitZeroReportsInWhite) {
  FlushColors flushes;
  { cTimerLog quick("load", "map.dat", 0); }
  EXPECT_EQ(flushes.text(), "");
  {
    cTimerLog log("load", "map.dat", 0);
    m_clocks.Advance(1);
  }
  EXPECT_EQ(flushes.text(), "load map.dat cost time 1\n");
  EXPECT_EQ(flushes.colors().back(), 15);  // the line was flushed in white
  EXPECT_EQ(Foreground(), 11);
}

TEST_F(TimingScopeTest, SlowServiceRunIsReportedUnderTheServiceName) {
  ChannelCapture channel("quenlet.timererror");
  cRecorder owner(0);
  owner.hook = [this](unsigned long) {
    m_clocks.Advance(250);
    return 0ul;
  };
  cServiceMap map("MS", 1);
  map.AddTimer(owner.GetTimerObj(), 1, 0);
  map.RunService(1, 0);
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{"cTimerObj::OnTimer" + kLabel + "250 name cRecorder timer 1",
                                      "cService::RunService" + kLabel + "250 param Map_MS level 1"}));
}
