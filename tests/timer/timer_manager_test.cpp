// The manager: reports, offsets, resets, guards and exceptions. The timer
// soak checks queued commands, clocks, run-once lists and ticks fire by fire.
#include "tickbase/timer/timer_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>

#include "support/capture.h"
#include "support/scoped_clocks.h"
#include "timer/timer_support.h"

namespace game {
class cDoorOwner : public cRecorder {
 public:
  using cRecorder::cRecorder;
};
}  // namespace game

class TimerManagerTest : public ::testing::Test {
 protected:
  // One host tick: the clocks move by ms, then the manager runs with ms.
  void Tick(std::uint32_t ms) {
    m_clocks.Advance(ms);
    m_manager.Run(ms);
  }
  cTimerObj* H() const { return m_owner.handle(); }

  ScopedClocks m_clocks{0x1000, 1700000000};
  cTimerManager m_manager;
  std::vector<Firing> m_log;
  cRecorder m_owner{0, &m_log};
};

TEST_F(TimerManagerTest, FailedKillsAreReportedUnderTheirName) {
  ChannelCapture channel("quenlet.fetalerror");
  CoutCapture out;
  m_manager.KillTimer(TimeRange_Sec, Timer_Map, 99, H(), 4, "cNeverAdded");
  m_manager.KillTimer(static_cast<TimeRange>(7), Timer_List, 3, H(), 5, "cBadRange");
  m_manager.AddTimer(static_cast<TimeRange>(7), Timer_Map, 3, H(), 5, "cBadRange");
  m_manager.KillTimer(TimeRange_Sec, Timer_List, 3, H(), 6, "cBeforeAdd");  // kill before its add
  m_manager.AddTimer(TimeRange_Sec, Timer_List, 3, H(), 6, "cBeforeAdd");
  m_manager.FlushCmd();
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{
                " KillTimer error! range 1 e 0 time 99 param 4 name cNeverAdded\n",
                " KillTimer error! range 7 e 2 time 3 param 5 name cBadRange\n",
                " KillTimer error! range 1 e 2 time 3 param 6 name cBeforeAdd\n"}));
  EXPECT_EQ(out.text(), "");  // channel only, no console
  EXPECT_EQ(m_manager.CheckTimer(TimeRange_Sec, Timer_List, 3, H(), 6), 1);  // the add stands
  EXPECT_EQ(m_manager._AddTimer(static_cast<TimeRange>(7), Timer_Map, 3, H(), 5), 0);
  EXPECT_EQ(m_manager.CheckTimer(static_cast<TimeRange>(7), Timer_Map, 3, H(), 5), 0);
}

TEST_F(TimerManagerTest, ReportsOfChannelsNobodyConfiguredGoToStderr) {
  CoutCapture out, err(std::cerr);
  m_manager.KillTimer(TimeRange_Sec, Timer_Map, 99, H(), 4, "cNeverAdded");
  m_owner.hook = [this](unsigned long) {
    m_clocks.Advance(150);  // a slow callback, in a slow service run
    return 0ul;
  };
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1001, H(), 5);
  Tick(1);
  EXPECT_EQ(err.text(),
            "[quenlet.fetalerror]  KillTimer error! range 1 e 0 time 99 param 4 name cNeverAdded\n"
            "[quenlet.timererror] cTimerObj::OnTimer \xA1\xBE" "costtime\xA1\xBF 150 name cRecorder timer 5\n"
            "[quenlet.timererror] cService::RunService \xA1\xBE" "costtime\xA1\xBF 150 param Map_MS level 1\n");
  EXPECT_EQ(out.text(), "");
}

TEST_F(TimerManagerTest, SetDiffReplacesTheOffsetAndMakesSecondTimersDue) {
  m_manager._AddTimer(TimeRange_Sec, Timer_Map, 1700003000, H(), 1);
  m_manager.SetDiff(10);
  m_manager.SetDiff(3600);
  EXPECT_EQ(m_manager.GetSTime(), 1700003600);
  Tick(1000);
  EXPECT_EQ(m_owner.fired, (std::vector<unsigned long>{1}));
}

TEST_F(TimerManagerTest, ResetTimerAbandonsEverythingRegisteredBefore) {
  ChannelCapture channel("quenlet.fetalerror");
  cTimerObj* old = H();
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1010, old, 1);
  m_manager.AddTimer(TimeRange_MS, Timer_List, 5, old, 2, "old");
  m_manager.AddTimerRun(old, 3);
  m_owner.ResetTimer();
  EXPECT_EQ(m_manager.CheckTimer(TimeRange_MS, Timer_Map, 0, H(), 1), 0);
  m_manager.KillTimer(TimeRange_MS, Timer_Map, 0x1010, H(), 1, "cRecorder");
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1010, H(), 7);
  for (int i = 0; i < 40; ++i) Tick(1);
  EXPECT_EQ(m_owner.fired, (std::vector<unsigned long>{7}));
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{" KillTimer error! range 0 e 0 time 4112 param 1 name cRecorder\n"}));
}

TEST_F(TimerManagerTest, RunListCallbackAppendingItselfForeverIsCutOff) {
  ChannelCapture channel("quenlet.fetalerror");
  CoutCapture out;
  m_owner.hook = [&](unsigned long p) {
    m_manager.AddTimerRun(H(), p);
    return 0ul;
  };
  m_manager.AddTimerRun(H(), 1);
  Tick(1);
  EXPECT_EQ(m_owner.fired.size(), 65537u);
  const std::string text =
      "cTimerManager::Run run list still growing after 65536 appended calls, 1 left for the next Run\n";
  EXPECT_EQ(channel.messages(), (std::vector<std::string>{text}));
  EXPECT_EQ(out.text(), text);
  m_owner.hook = [](unsigned long) { return 0ul; };
  Tick(1);
  EXPECT_EQ(m_owner.fired.size(), 65538u);
  EXPECT_EQ(H()->GetRefCount(), 1);
}

TEST_F(TimerManagerTest, ThrowingCallbackLeavesRunButFiresNothingTwice) {
  m_owner.hook = [](unsigned long p) -> unsigned long {
    if (p == 1) throw std::runtime_error("boom");
    return 0;
  };
  m_manager.AddTimerRun(H(), 2);
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1001, H(), 1);
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1001, H(), 3);
  m_clocks.Advance(1);
  EXPECT_THROW(m_manager.Run(1), std::runtime_error);
  std::ostringstream os;
  m_manager.ReportCrashToStream(os);
  EXPECT_EQ(os.str(),
            "cTimerManager::ReportCrashToStream m_i: 0\n"
            "cTimerRange::ReportCrashToStream m_i: 0\n"
            "cService::ReportCrashToStream Map_MS\n"
            "cur itimerobj cRecorder timer 1\n");
  Tick(1);
  EXPECT_EQ(m_owner.fired, (std::vector<unsigned long>{2, 1, 3}));
  EXPECT_EQ(H()->GetRefCount(), 1);
}

// Owners' operations go through the process-wide manager.
TEST(TimerOwnerOps, QueueThroughTheInstanceUnderTheReadableTypeName) {
  ScopedClocks clocks(0x5000, 1700000000);
  ChannelCapture channel("quenlet.fetalerror");
  cTimerManager& manager = cTimerManager::Instance();
  manager.RefreshTime();
  game::cDoorOwner door(0);
  EXPECT_EQ(door.AddTimerNext(TimeRange_MS, 10, 1), 1);
  EXPECT_EQ(door.AddTimer(TimeRange_Sec, Timer_List, 2, 2), 1);
  EXPECT_EQ(door.KillTimer(TimeRange_MS, Timer_Map, 0, 3), 1);
  door.AddTimerRun(4);
  EXPECT_EQ(door.CheckTimer(TimeRange_Sec, Timer_List, 2, 2), 0);
  clocks.Advance(10);
  manager.Run(10);
  EXPECT_EQ(door.fired, (std::vector<unsigned long>{4, 1}));
  EXPECT_EQ(door.CheckTimer(TimeRange_Sec, Timer_List, 2, 2), 1);
  EXPECT_EQ(door.CheckTimer(static_cast<TimeRange>(5), Timer_List, 2, 2), 0);
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{" KillTimer error! range 0 e 0 time 0 param 3 name game::cDoorOwner\n"}));
  EXPECT_EQ(GetMSTime(), 0x500Au);
  EXPECT_EQ(GetSTime(), 1700000000);

  door.ResetTimer();  // what was registered before is out of reach at once
  EXPECT_EQ(door.CheckTimer(TimeRange_Sec, Timer_List, 2, 2), 0);
}
