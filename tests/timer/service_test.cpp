// The three services driven directly with plain clock values. Due order,
// kills and list order are checked against a scan in index_model_test.cpp,
// and every rule fire by fire against a model by the timer soak.
#include <gtest/gtest.h>

#include <memory>
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

TEST_F(PatchTest, LargePopulationTimesLongTickDoesNotOverflow) {
  cServicePatch patch(100000, "MS");
  Fill(patch, 100000);
  patch.Run(50000, 0);  // 50000 x 100000 passes 2^32
  EXPECT_EQ(m_owner.fired.size(), 50000u);
}

