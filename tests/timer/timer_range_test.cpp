// Time ranges: unit batching, service lookup and naming, refused periods.
#include "tickbase/timer/timer_range.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/capture.h"
#include "support/scoped_clocks.h"
#include "tickbase/timer/service.h"
#include "tickbase/timer/timer_manager.h"
#include "timer/timer_support.h"

class TimerRangeTest : public ::testing::Test {
 protected:
  // A patch of period 10 with 10 entries in range: each unit a run is given
  // fires one entry, so the firings count the units.
  void CountUnitsWithPatch(cTimerRange& range) {
    for (unsigned long i = 0; i < 10; ++i) range.AddTimer(Timer_Patch, 10, m_owner.handle(), i);
  }

  ScopedClocks m_clocks{1000, 1700000000};
  cTimerManager m_manager;
  cRecorder m_owner{1};
};

TEST_F(TimerRangeTest, MinuteRangeRunsOncePerWholeMinuteWithTheUnitCount) {
  cTimerRange& minutes = *m_manager.GetRange(TimeRange_Min);
  CountUnitsWithPatch(minutes);
  minutes.Run(59999);
  EXPECT_TRUE(m_owner.fired.empty());
  EXPECT_EQ(minutes.GetAccumulated(), 59999);
  minutes.Run(1);
  EXPECT_EQ(m_owner.fired.size(), 1u);
  EXPECT_EQ(minutes.GetAccumulated(), 0);
  minutes.Run(130000);
  EXPECT_EQ(m_owner.fired.size(), 3u);  // units = 2
  EXPECT_EQ(minutes.GetAccumulated(), 10000);
}

TEST_F(TimerRangeTest, FindServiceCreatesNamedServicesOncePerPeriod) {
  cTimerRange& minutes = *m_manager.GetRange(TimeRange_Min);
  unsigned long t = 5;
  cService* list = minutes.FindService(Timer_List, t);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetName(), "list_300_Min");
  EXPECT_EQ(t, 300u + 1700000000u);
  t = 5;
  EXPECT_EQ(minutes.FindService(Timer_List, t), list);

  unsigned long p = 10;
  cService* patch = m_manager.GetRange(TimeRange_Sec)->FindService(Timer_Patch, p);
  ASSERT_NE(patch, nullptr);
  EXPECT_EQ(patch->GetName(), "patch_10_Sec");
  EXPECT_EQ(p, 10u);

  unsigned long m = 1234;
  EXPECT_EQ(m_manager.GetRange(TimeRange_Day)->FindService(Timer_Map, m)->GetName(), "Map_Day");
  EXPECT_EQ(m, 1234u);

  unsigned long k = 1;
  EXPECT_EQ(minutes.FindService(static_cast<TimerEnum>(3), k), nullptr);
  EXPECT_EQ(minutes.AddTimer(static_cast<TimerEnum>(3), 1, m_owner.handle(), 1), 0);
  EXPECT_EQ(m_owner.handle()->GetRefCount(), 1);
}

TEST_F(TimerRangeTest, ZeroOrOverlongPeriodIsRefusedWithAReport) {
  ChannelCapture channel("quenlet.fetalerror");
  CoutCapture out;
  cTimerRange& minutes = *m_manager.GetRange(TimeRange_Min);
  EXPECT_EQ(minutes.AddTimer(Timer_List, 0, m_owner.handle(), 1), 0);
  EXPECT_EQ(minutes.AddTimer(Timer_Patch, 0, m_owner.handle(), 1), 0);
  EXPECT_EQ(minutes.AddTimer(Timer_List, 0x7FFFFFFFul / 60 + 1, m_owner.handle(), 1), 0);
  EXPECT_EQ(minutes.AddTimer(Timer_List, 0x7FFFFFFFul / 60, m_owner.handle(), 1), 1);
  EXPECT_EQ(minutes.CheckTimer(Timer_List, 0, m_owner.handle(), 1), 0);
  // A patch compares no due times: any 32-bit period serves it.
  EXPECT_EQ(minutes.AddTimer(Timer_Patch, 0xFFFFFFFFul, m_owner.handle(), 1), 1);
  EXPECT_EQ(minutes.AddTimer(Timer_Patch, 0x100000000ul, m_owner.handle(), 1), 0);
  const std::vector<std::string> expected = {
      "cTimerRange::FindService refused period 0 kind 2 range Min\n",
      "cTimerRange::FindService refused period 0 kind 1 range Min\n",
      "cTimerRange::FindService refused period 35791395 kind 2 range Min\n",
      "cTimerRange::FindService refused period 4294967296 kind 1 range Min\n"};
  EXPECT_EQ(channel.messages(), expected);
  EXPECT_EQ(out.text(), expected[0] + expected[1] + expected[2] + expected[3]);
  minutes.Run(60000);  // nothing loops
}

TEST_F(TimerRangeTest, RangeMadeAloneRunsOnTheProcessWideClocks) {
  cTimerManager::Instance().RefreshTime();
  cTimerRange alone;
  alone.CreateTimeRange(TimeRange_MS, "MS");
  unsigned long t = 10;
  ASSERT_NE(alone.FindService(Timer_List, t), nullptr);
  EXPECT_EQ(t, 1010u);
}

TEST_F(TimerRangeTest, KillAndCheckCreateNoService) {
  cTimerRange& sec = *m_manager.GetRange(TimeRange_Sec);
  EXPECT_EQ(sec.KillTimer(Timer_List, 77, m_owner.handle(), 1), 0);
  EXPECT_EQ(sec.CheckTimer(Timer_Patch, 77, m_owner.handle(), 1), 0);
  EXPECT_EQ(sec.AddTimer(Timer_List, 77, m_owner.handle(), 1), 1);
  EXPECT_EQ(sec.CheckTimer(Timer_List, 77, m_owner.handle(), 1), 1);
  EXPECT_EQ(sec.CheckTimer(Timer_List, 78, m_owner.handle(), 1), 0);
  EXPECT_EQ(sec.KillTimer(Timer_List, 77, m_owner.handle(), 1), 1);
}

TEST_F(TimerRangeTest, CrashReportAfterAFinishedRunNamesNoService) {
  cTimerRange& ms = *m_manager.GetRange(TimeRange_MS);
  ms.Run(5);
  std::ostringstream os;
  ms.ReportCrashToStream(os);
  EXPECT_EQ(os.str(), "cTimerRange::ReportCrashToStream m_i: 3\n");
}
