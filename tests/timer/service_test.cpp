// The three services driven directly with plain clock values.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>

#include "support/scoped_clocks.h"
#include "tickbase/timer/service_list.h"
#include "tickbase/timer/service_map.h"
#include "tickbase/timer/service_patch.h"
#include "timer/timer_support.h"

class ServiceTest : public ::testing::Test {
 protected:
  std::vector<Firing> m_log;
  ScopedClocks m_clocks;  // the dispatch timing reads the ms clock
};

TEST_F(ServiceTest, MapFiresInDueOrderAcrossTheWrapAndEqualDueInAddOrder) {
  cRecorder a(0, &m_log), b(0, &m_log);
  cServiceMap map("MS", 1);
  map.AddTimer(a.handle(), 1, 0x00000010);  // past the wrap
  map.AddTimer(b.handle(), 2, 0xFFFFFFF0);
  map.AddTimer(a.handle(), 3, 0x00000005);
  map.AddTimer(a.handle(), 4, 0xFFFFFFF0);  // same due as b/2, added later
  EXPECT_EQ(a.handle()->GetRefCount(), 4);

  map.Run(1, 0xFFFFFFEF);
  EXPECT_TRUE(m_log.empty());
  map.Run(1, 0xFFFFFFFF);
  EXPECT_EQ(m_log, (std::vector<Firing>{{&b, 2}, {&a, 4}}));
  map.Run(1, 0x00000004);  // wrapped, still before 5
  EXPECT_EQ(m_log.size(), 2u);
  map.Run(1, 0x00000010);
  EXPECT_EQ(m_log, (std::vector<Firing>{{&b, 2}, {&a, 4}, {&a, 3}, {&a, 1}}));
  EXPECT_EQ(map.size(), 0u);
  EXPECT_EQ(a.handle()->GetRefCount(), 1);
}

TEST_F(ServiceTest, MapRearmsByTheReturnedUnitsAfterTheRunsClock) {
  cRecorder five(5), once(0);
  cServiceMap minutes("Min", 60);
  minutes.AddTimer(five.handle(), 1, 1000);
  minutes.AddTimer(once.handle(), 1, 1000);
  minutes.Run(1, 1010);  // fired late: the next due counts from this clock
  EXPECT_EQ(five.fired.size(), 1u);
  EXPECT_TRUE(minutes.CheckTimer(five.handle(), 1));
  EXPECT_FALSE(minutes.CheckTimer(once.handle(), 1));
  minutes.Run(1, 1309);
  EXPECT_EQ(five.fired.size(), 1u);
  minutes.Run(1, 1310);
  EXPECT_EQ(five.fired.size(), 2u);
  EXPECT_EQ(once.fired.size(), 1u);
}

TEST_F(ServiceTest, MapHugeResultComesBackLaterInsteadOfFiringForever) {
  // 0xFFFFFFFF units would land one unit before now in 32-bit arithmetic.
  cRecorder huge(0xFFFFFFFFul);
  cServiceMap map("MS", 1);
  map.AddTimer(huge.handle(), 1, 100);
  map.Run(1, 100);
  EXPECT_EQ(huge.fired.size(), 1u);
  EXPECT_TRUE(map.CheckTimer(huge.handle(), 1));
  map.Run(1, 100ul + 0x7FFFFFFEul);
  EXPECT_EQ(huge.fired.size(), 1u);
  map.Run(1, 100ul + 0x7FFFFFFFul);
  EXPECT_EQ(huge.fired.size(), 2u);
}

TEST_F(ServiceTest, KillNeedsHandleAndParamAndReleasesTheEntry) {
  cRecorder a, b;
  cServiceMap map("MS", 1);
  cServiceList list(60, "Sec");
  for (cService* s : {static_cast<cService*>(&map), static_cast<cService*>(&list)}) {
    s->AddTimer(a.handle(), 7, 500);
    EXPECT_FALSE(s->KillTimer(a.handle(), 8));
    EXPECT_FALSE(s->KillTimer(b.handle(), 7));
    EXPECT_TRUE(s->CheckTimer(a.handle(), 7));
    EXPECT_TRUE(s->KillTimer(a.handle(), 7));
    EXPECT_FALSE(s->CheckTimer(a.handle(), 7));
    EXPECT_FALSE(s->KillTimer(a.handle(), 7));
    s->Run(1, 500);
  }
  EXPECT_TRUE(a.fired.empty());
  EXPECT_EQ(a.handle()->GetRefCount(), 1);
}

TEST_F(ServiceTest, EntriesOfVanishedOwnersDropWhenDueAndDestructorReleasesTheRest) {
  auto gone = std::make_unique<cRecorder>(1);
  cRecorder kept(1);
  cTimerObj* goneHandle = gone->handle();
  goneHandle->AddRef();
  {
    cServiceMap map("MS", 1);
    map.AddTimer(goneHandle, 1, 10);
    map.AddTimer(kept.handle(), 1, 20);
    map.AddTimer(kept.handle(), 2, 5000);
    gone.reset();
    map.Run(1, 30);
    EXPECT_EQ(map.size(), 2u);  // gone/1 dropped, kept/1 re-armed, kept/2 waiting
    EXPECT_EQ(goneHandle->GetRefCount(), 1);
    EXPECT_EQ(kept.handle()->GetRefCount(), 3);
  }
  EXPECT_EQ(kept.handle()->GetRefCount(), 1);
  EXPECT_EQ(goneHandle->Release(), 0);
}

TEST_F(ServiceTest, ListFiresEachDueEntryOnceAndKeepsTheirOrder) {
  cRecorder a(1, &m_log), b(3, &m_log), c(0, &m_log);
  cServiceList list(60, "Sec");
  EXPECT_EQ(list.GetName(), "list_60_Sec");
  list.AddTimer(a.handle(), 1, 1060);
  list.AddTimer(b.handle(), 2, 1060);
  list.AddTimer(c.handle(), 3, 1061);
  list.AddTimer(a.handle(), 4, 1070);
  list.Run(1, 1065);  // a/1 and b/2 due; every result re-arms one period on
  EXPECT_EQ(m_log, (std::vector<Firing>{{&a, 1}, {&b, 2}, {&c, 3}}));
  EXPECT_EQ(list.size(), 3u);  // c returned 0
  list.Run(1, 1124);
  EXPECT_EQ(m_log.size(), 4u);  // a/4 at 1070
  list.Run(1, 1125);
  EXPECT_EQ(m_log, (std::vector<Firing>{{&a, 1}, {&b, 2}, {&c, 3}, {&a, 4}, {&a, 1}, {&b, 2}}));
}

TEST_F(ServiceTest, ListEntryStaysStoredWhileItFiresAndMapEntryDoesNot) {
  cRecorder owner(1);
  cServiceList list(60, "Sec");
  cServiceMap map("Sec", 1);
  std::vector<bool> seen;
  owner.hook = [&](unsigned long p) {
    seen.push_back(p == 1 ? list.CheckTimer(owner.handle(), 1) : map.CheckTimer(owner.handle(), 2));
    return p == 1 ? 1ul : 0ul;
  };
  list.AddTimer(owner.handle(), 1, 100);
  map.AddTimer(owner.handle(), 2, 100);
  list.Run(1, 100);
  map.Run(1, 100);
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_EQ(list.size(), 1u);  // re-armed once, the fired entry gone
  EXPECT_EQ(owner.handle()->GetRefCount(), 2);

  // A callback that throws leaves its list entry in place, reference kept.
  owner.hook = [](unsigned long) -> unsigned long { throw std::runtime_error("boom"); };
  EXPECT_THROW(list.Run(1, 160), std::runtime_error);
  EXPECT_TRUE(list.CheckTimer(owner.handle(), 1));
  EXPECT_EQ(owner.handle()->GetRefCount(), 2);
  owner.hook = nullptr;
  list.Run(1, 160);
  EXPECT_EQ(owner.fired, (std::vector<unsigned long>{1, 2, 1, 1}));
  EXPECT_EQ(list.size(), 1u);
}

class PatchTest : public ServiceTest {
 protected:
  // A patch with n entries of one recorder, params 0..n-1.
  void Fill(cServicePatch& patch, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) patch.AddTimer(m_owner.handle(), i, 0);
  }
  std::vector<unsigned long> Take() { return std::exchange(m_owner.fired, {}); }

  cRecorder m_owner{1};
};

TEST_F(PatchTest, SpreadsTheFiringsOverThePeriodAndWrapsAtTheEnd) {
  cServicePatch patch(10, "Sec");
  EXPECT_EQ(patch.GetName(), "patch_10_Sec");
  Fill(patch, 10);
  patch.Run(3, 0);
  EXPECT_EQ(Take(), (std::vector<unsigned long>{0, 1, 2}));
  patch.Run(3, 0);
  EXPECT_EQ(Take(), (std::vector<unsigned long>{3, 4, 5}));
  patch.Run(8, 0);  // the slice stops at the last entry; the rest is not carried
  EXPECT_EQ(Take(), (std::vector<unsigned long>{6, 7, 8, 9}));
  EXPECT_EQ(patch.GetCursor(), 0u);
  patch.Run(1, 0);
  EXPECT_EQ(Take(), (std::vector<unsigned long>{0}));
}

TEST_F(PatchTest, CarriesUnitsThatMakeNoFiringYet) {
  cServicePatch patch(10, "Sec");
  Fill(patch, 3);  // step = 3 units per firing
  patch.Run(2, 0);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(patch.GetCarry(), 2u);
  patch.Run(2, 0);  // acc 4: one firing, 4 mod 3 carried
  EXPECT_EQ(Take(), (std::vector<unsigned long>{0}));
  EXPECT_EQ(patch.GetCarry(), 1u);

  cServicePatch crowded(10, "Sec");
  Fill(crowded, 20);  // more entries than units: step 0, no carry
  crowded.Run(1, 0);
  EXPECT_EQ(Take(), (std::vector<unsigned long>{0, 1}));
  EXPECT_EQ(crowded.GetCarry(), 0u);
}

TEST_F(PatchTest, RemovesEntriesThatReturnZeroAndKeepsTheCursor) {
  cServicePatch patch(4, "Sec");
  Fill(patch, 4);
  m_owner.hook = [](unsigned long p) { return p == 1 ? 0ul : 1ul; };
  patch.Run(2, 0);  // 0 stays, 1 leaves; 2 moves into its place but the slice ended
  EXPECT_EQ(Take(), (std::vector<unsigned long>{0, 1}));
  EXPECT_EQ(patch.size(), 3u);
  EXPECT_FALSE(patch.CheckTimer(m_owner.handle(), 1));
  patch.Run(2, 0);  // cursor 2 now names 3
  EXPECT_EQ(Take(), (std::vector<unsigned long>{3}));
  EXPECT_EQ(patch.GetCursor(), 0u);
  EXPECT_EQ(m_owner.handle()->GetRefCount(), 4);
}

TEST_F(PatchTest, CursorBeyondAShrunkenArrayFiresNothingAndRestarts) {
  cServicePatch patch(10, "Sec");
  Fill(patch, 10);
  patch.Run(8, 0);
  Take();
  for (unsigned long p = 0; p < 5; ++p) EXPECT_TRUE(patch.KillTimer(m_owner.handle(), p));
  EXPECT_FALSE(patch.KillTimer(m_owner.handle(), 0));
  patch.Run(2, 0);  // k = 1, cursor 8 >= 5 entries
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(patch.GetCursor(), 0u);
  patch.Run(2, 0);
  EXPECT_EQ(Take(), (std::vector<unsigned long>{5}));
}

TEST_F(PatchTest, LargePopulationTimesLongTickDoesNotOverflow) {
  cServicePatch patch(100000, "MS");
  Fill(patch, 100000);
  patch.Run(50000, 0);  // 50000 x 100000 passes 2^32
  EXPECT_EQ(m_owner.fired.size(), 50000u);
}

TEST_F(ServiceTest, CrashReportWithoutARunningCallback) {
  cServiceMap map("Hour", 3600);
  std::ostringstream os;
  map.ReportCrashToStream(os);
  EXPECT_EQ(os.str(), "cService::ReportCrashToStream Map_Hour\nno itimerobj \n");
}
