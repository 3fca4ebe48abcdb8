// The scheduler when an allocation fails or a report throws: no command is
// applied twice, no stored timer is lost, every reference comes back; and
// the crash report allocates nothing. A replaced operator new counts the
// allocations of the whole program and fails the one asked for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <sstream>
#include <streambuf>

#include "support/scoped_clocks.h"
#include "tickbase/timer/timer_manager.h"
#include "timer/timer_support.h"

namespace {

bool g_counting = false;
long g_count = 0;
long g_failAt = 0;  // 0: never

void* Allocate(std::size_t n, std::size_t align) {
  if (g_counting && ++g_count == g_failAt) throw std::bad_alloc();
  n = n == 0 ? 1 : n;
  void* p = align <= alignof(std::max_align_t) ? std::malloc(n) : std::aligned_alloc(align, (n + align - 1) / align * align);
  if (!p) throw std::bad_alloc();
  return p;
}

// Counts (and may fail) the allocations made while it lives.
class CountAllocations {
 public:
  explicit CountAllocations(long failAt = 0) {
    g_count = 0;
    g_failAt = failAt;
    g_counting = true;
  }
  ~CountAllocations() { g_counting = false; }
  long count() const { return g_count; }
};

}  // namespace

void* operator new(std::size_t n) { return Allocate(n, 0); }
void* operator new[](std::size_t n) { return Allocate(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return Allocate(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Allocate(n, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

class FlushFailureTest : public ::testing::Test {
 protected:
  // Timers stored under param in the ms map, counted by killing them.
  int TakeStored(cTimerManager& manager, cRecorder& owner, unsigned long param) {
    int n = 0;
    while (manager._KillTimer(TimeRange_MS, Timer_Map, 0, owner.handle(), param)) ++n;
    return n;
  }

  ScopedClocks m_clocks{1000, 1700000000};
};

TEST_F(FlushFailureTest, EachFailedAllocationCostsAtMostItsOwnCommand) {
  long failAt = 1;
  for (bool threw = true; threw; ++failAt) {
    cTimerManager manager;
    cRecorder owner;
    for (unsigned long p = 0; p < 12; ++p) manager._AddTimer(TimeRange_MS, Timer_Map, 5000, owner.handle(), p);
    // New keys and duplicates past the index's first growth, a kill, and
    // two services made on first use.
    for (unsigned long p = 100; p < 120; ++p) manager.AddTimer(TimeRange_MS, Timer_Map, 3000 + p, owner.handle(), p, "x");
    for (int i = 0; i < 20; ++i) manager.AddTimer(TimeRange_MS, Timer_Map, 4000u - i, owner.handle(), 0, "x");
    manager.KillTimer(TimeRange_MS, Timer_Map, 0, owner.handle(), 3, "x");
    manager.AddTimer(TimeRange_Sec, Timer_List, 7, owner.handle(), 1, "x");
    manager.AddTimer(TimeRange_Sec, Timer_Patch, 7, owner.handle(), 1, "x");
    {
      CountAllocations failing(failAt);
      try {
        manager.FlushCmd();
        threw = false;
      } catch (const std::bad_alloc&) {
        threw = true;
      }
    }
    manager.FlushCmd();

    // Everything stands as queued, less at most the one command that failed.
    int missing = 0;
    for (unsigned long p = 100; p < 120; ++p) missing += 1 - TakeStored(manager, owner, p);
    missing += 21 - TakeStored(manager, owner, 0);
    missing += TakeStored(manager, owner, 3);
    missing += 1 - manager._KillTimer(TimeRange_Sec, Timer_List, 7, owner.handle(), 1);
    missing += 1 - manager._KillTimer(TimeRange_Sec, Timer_Patch, 7, owner.handle(), 1);
    ASSERT_EQ(missing, threw ? 1 : 0) << "failing allocation " << failAt;
    for (unsigned long p = 1; p < 12; ++p) ASSERT_EQ(TakeStored(manager, owner, p), p == 3 ? 0 : 1);
    ASSERT_EQ(owner.handle()->GetRefCount(), 1) << "failing allocation " << failAt;
  }
  EXPECT_GT(failAt, 5);  // the flush allocates, so failures were tried
}

TEST_F(FlushFailureTest, ThrowingReportLeavesTheRestQueuedOnce) {
  cTimerManager manager;
  cRecorder owner;
  manager.AddTimer(TimeRange_MS, Timer_Map, 5000, owner.handle(), 1, "x");
  manager.AddTimer(TimeRange_Sec, Timer_List, 0, owner.handle(), 2, "x");  // refused with a report
  manager.AddTimer(TimeRange_MS, Timer_Map, 5000, owner.handle(), 3, "x");
  {
    // A console that fails and throws on failure.
    struct : std::streambuf {
      int overflow(int) override { return traits_type::eof(); }
    } broken;
    std::streambuf* old = std::cout.rdbuf(&broken);
    std::cout.exceptions(std::ios::badbit);
    EXPECT_THROW(manager.FlushCmd(), std::ios_base::failure);
    std::cout.exceptions(std::ios::goodbit);
    std::cout.clear();
    std::cout.rdbuf(old);
  }
  manager.FlushCmd();
  EXPECT_EQ(TakeStored(manager, owner, 1), 1);
  EXPECT_EQ(TakeStored(manager, owner, 3), 1);
  EXPECT_EQ(owner.handle()->GetRefCount(), 1);
}

namespace game {
// A type whose name nothing looks up before its timer is added.
class cCrashingOwner : public cRecorder {};
}  // namespace game

TEST(CrashReportAllocation, NamesTheRunningOwnerWithoutAllocating) {
  ScopedClocks clocks(1000, 1700000000);
  cTimerManager manager;
  game::cCrashingOwner owner;
  char text[512] = {};
  struct Fixed : std::streambuf {
    explicit Fixed(char* p, std::size_t n) { setp(p, p + n - 1); }
  } buffer(text, sizeof text);
  std::ostream os(&buffer);
  long allocations = -1;
  owner.hook = [&](unsigned long) {
    CountAllocations counting;
    manager.ReportCrashToStream(os);
    allocations = counting.count();
    return 0ul;
  };
  manager._AddTimer(TimeRange_MS, Timer_Map, 1001, owner.handle(), 7);
  clocks.Advance(1);
  manager.Run(1);
  EXPECT_EQ(allocations, 0);
  EXPECT_NE(std::string(text).find("cur itimerobj game::cCrashingOwner timer 7\n"), std::string::npos) << text;
}
