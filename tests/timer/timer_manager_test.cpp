// The manager: queued commands, clocks, run-once lists and ticks.
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

TEST_F(TimerManagerTest, AddTimerNextFiresOnTheFirstWholeSecondRunPastItsDueTime) {
  m_clocks.Advance(400);  // 400 ms into a second; the manager still reads the old sample
  m_manager.AddTimerNext(TimeRange_Sec, 5, H(), 1, "next");
  EXPECT_EQ(m_manager.CheckTimer(TimeRange_Sec, Timer_Map, 0, H(), 1), 0);  // still queued
  for (int i = 0; i < 49; ++i) Tick(100);  // 4.9 s of ticks, second clock +5 at 4.6 s
  EXPECT_TRUE(m_owner.fired.empty());        // second range ran at 1..4 s only
  Tick(100);
  EXPECT_EQ(m_owner.fired, (std::vector<unsigned long>{1}));
}

TEST_F(TimerManagerTest, AddThenKillInOneTickCancelsOutSilently) {
  ChannelCapture channel("quenlet.fetalerror");
  m_manager.AddTimer(TimeRange_MS, Timer_Map, 0x1005, H(), 1, "pair");
  m_manager.KillTimer(TimeRange_MS, Timer_Map, 0x1005, H(), 1, "pair");
  EXPECT_EQ(H()->GetRefCount(), 3);  // held by both commands
  for (int i = 0; i < 10; ++i) Tick(1);
  EXPECT_TRUE(m_owner.fired.empty());
  EXPECT_TRUE(channel.messages().empty());
  EXPECT_EQ(H()->GetRefCount(), 1);
}

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

TEST_F(TimerManagerTest, CommandsUseThePreviousTicksClocks) {
  Tick(50);  // the manager's clock is 0x1032 from here
  m_clocks.Advance(900);
  m_manager.AddTimer(TimeRange_MS, Timer_List, 1000, H(), 1, "list");
  m_manager.Run(900);  // applied before sampling: due 0x1032 + 1000
  unsigned long due = 0;
  EXPECT_EQ(m_manager.CheckTimer(TimeRange_MS, Timer_List, 1000, H(), 1), 1);
  m_owner.hook = [&](unsigned long) {
    due = m_manager.GetMSTime();
    return 0ul;
  };
  Tick(99);
  EXPECT_TRUE(m_owner.fired.empty());
  Tick(1);
  EXPECT_EQ(due, 0x1032u + 1000u);
}

TEST_F(TimerManagerTest, DueTimePastTheWrapFiresAfterTheClockWraps) {
  m_clocks.SetMs(0xFFFFFF00u);
  m_manager.RefreshTime();
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x00000080, H(), 1);
  m_manager._AddTimer(TimeRange_MS, Timer_List, 0x180, H(), 2);  // due 0x80 after wrapping
  m_manager.AddTimerNext(TimeRange_MS, 0x17F, H(), 3, "next");  // due 0x7F
  Tick(0x7F);
  Tick(0x80);  // 0xFFFFFFFF, one short of the wrap
  EXPECT_TRUE(m_owner.fired.empty());
  Tick(0x80);  // 0x7F
  EXPECT_EQ(m_owner.fired, (std::vector<unsigned long>{3}));
  Tick(1);
  EXPECT_EQ(m_owner.fired, (std::vector<unsigned long>{3, 1, 2}));
  Tick(0x1000);
  EXPECT_EQ(m_owner.fired.size(), 3u);
}

TEST_F(TimerManagerTest, OwnerDestroyedInItsCallbackAndItsLeftoversDieQuietly) {
  ChannelCapture channel("quenlet.fetalerror");
  auto* owner = new cRecorder;
  cTimerObj* handle = owner->handle();
  handle->AddRef();  // to watch every other holder let go
  owner->hook = [&, owner](unsigned long) {
    // Queue work for itself, then go: none of it may run or be reported.
    m_manager.AddTimer(TimeRange_MS, Timer_Map, 0, handle, 2, "x");
    m_manager.KillTimer(TimeRange_MS, Timer_Map, 0, handle, 9, "x");
    m_manager.AddTimerRun(handle, 3);
    m_manager.AddTimerEnd(handle, 3);
    delete owner;
    return 1ul;
  };
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1001, handle, 1);
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x2000, handle, 4);
  m_manager._AddTimer(TimeRange_Sec, Timer_Patch, 5, handle, 5);
  m_manager._AddTimer(TimeRange_Sec, Timer_List, 2, handle, 6);
  Tick(1);
  EXPECT_FALSE(handle->IsValid());
  for (int i = 0; i < 10; ++i) Tick(1000);
  EXPECT_TRUE(channel.messages().empty());
  EXPECT_EQ(handle->GetRefCount(), 1);
  EXPECT_EQ(handle->Release(), 0);
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

TEST_F(TimerManagerTest, RunListFiresFirstAndEndListLastInTheSameRun) {
  cRecorder ranged(0, &m_log);
  m_owner.hook = [&](unsigned long p) {
    if (p == 1) m_manager.AddTimerRun(H(), 2);  // same walk
    if (p == 2) m_manager.AddTimerEnd(H(), 3);  // end of this Run
    return 1ul;
  };
  ranged.hook = [&](unsigned long) {
    m_manager.AddTimerRun(H(), 4);  // waits for the next Run
    m_manager.AddTimerEnd(H(), 5);  // end of this Run
    return 0ul;
  };
  m_manager.AddTimerRun(H(), 1);
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 0x1001, ranged.handle(), 9);
  Tick(1);
  EXPECT_EQ(m_log, (std::vector<Firing>{{&m_owner, 1}, {&m_owner, 2}, {&ranged, 9}, {&m_owner, 3},
                                        {&m_owner, 5}}));
  Tick(1);
  EXPECT_EQ(m_log.back(), (Firing{&m_owner, 4}));
  EXPECT_EQ(m_log.size(), 6u);
  EXPECT_EQ(H()->GetRefCount(), 1);
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
