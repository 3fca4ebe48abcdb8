// The indexed map and list services against a plain scan of a vector, on
// random operations with a fixed seed: same kill results, same check
// results, same firings in the same order, across the 2^32 wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "support/scoped_clocks.h"
#include "tickbase/timer/service_list.h"
#include "tickbase/timer/service_map.h"
#include "timer/timer_support.h"

namespace {

// What a service stores, kept the simple way: a vector in firing order by
// scan, exactly as the order rules read.
class ScanModel {
 public:
  ScanModel(bool byDue, std::uint32_t unit) : m_byDue(byDue), m_unit(unit) {}

  void Add(const cRecorder* obj, unsigned long param, std::uint32_t due) {
    m_entries.push_back(Entry{obj, param, due, ++m_seq});
  }
  bool Kill(const cRecorder* obj, unsigned long param) {
    std::size_t best = m_entries.size();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
      const Entry& e = m_entries[i];
      if (e.obj == obj && e.param == param && (best == m_entries.size() || Before(e, m_entries[best])))
        best = i;
    }
    if (best == m_entries.size()) return false;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(best));
    return true;
  }
  bool Check(const cRecorder* obj, unsigned long param) const {
    for (const Entry& e : m_entries)
      if (e.obj == obj && e.param == param) return true;
    return false;
  }
  // result(param) is what the owners answer; a list re-arms one period on.
  template <class Result>
  void Run(std::uint32_t now, std::uint32_t period, Result& result, std::vector<Firing>& fired) {
    for (;;) {
      std::size_t first = m_entries.size();
      for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (first == m_entries.size() || Before(m_entries[i], m_entries[first])) first = i;
      if (first == m_entries.size()) return;
      const Entry e = m_entries[first];
      if (static_cast<std::int32_t>(now - e.due) < 0) return;
      m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(first));
      fired.emplace_back(e.obj, e.param);
      const unsigned long r = result(e.param);
      if (r != 0) Add(e.obj, e.param, now + (m_byDue ? static_cast<std::uint32_t>(r) * m_unit : period));
    }
  }
  std::size_t size() const { return m_entries.size(); }

 private:
  struct Entry {
    const cRecorder* obj;
    unsigned long param;
    std::uint32_t due;
    std::uint64_t seq;
  };
  bool Before(const Entry& a, const Entry& b) const {
    if (!m_byDue || a.due == b.due) return a.seq < b.seq;
    return static_cast<std::int32_t>(a.due - b.due) < 0;
  }

  bool m_byDue;
  std::uint32_t m_unit;
  std::vector<Entry> m_entries;
  std::uint64_t m_seq = 0;
};

// What the owners answer: every third firing re-arms, by an amount that
// depends on the param. The model keeps its own count; as long as both fire
// the same sequence they give the same answers.
class Answers {
 public:
  unsigned long operator()(unsigned long param) {
    return m_count++ % 3 == 0 ? (param % 4 + 1) * 100 : 0;
  }

 private:
  unsigned long m_count = 0;
};

}  // namespace

class IndexModelTest : public ::testing::Test {
 protected:
  // Random adds, kills, checks and runs on service against model, with
  // keys drawn from owners x params.
  void Exercise(cService& service, ScanModel& model, bool isList, std::uint32_t period, int ownerCount = 3,
                unsigned long params = 24, int steps = 60000) {
    std::mt19937 rng(20240601);
    std::vector<Firing> actual;
    Answers ownerAnswers, modelAnswers;
    std::vector<std::unique_ptr<cRecorder>> owners;
    for (int i = 0; i < ownerCount; ++i) {
      owners.push_back(std::make_unique<cRecorder>(0, &actual));
      owners.back()->hook = [&](unsigned long param) { return ownerAnswers(param); };
    }
    std::uint32_t now = 0xFFFF0000u;  // the walk crosses 2^32
    std::vector<Firing> expected;
    std::size_t kills = 0, peak = 0;
    for (int step = 0; step < steps; ++step) {
      cRecorder* owner = owners[rng() % owners.size()].get();
      const unsigned long param = rng() % params;
      const unsigned op = rng() % 100;
      // Grow early, shrink late, so tables rehash and orders compact.
      const unsigned addShare = step < steps / 2 ? 70 : 35;
      if (op < addShare) {
        const std::uint32_t due = isList ? now + period : now + rng() % 400000 - 200;
        service.AddTimer(owner->handle(), param, due);
        model.Add(owner, param, due);
      } else if (op < addShare + 20) {
        const bool killed = service.KillTimer(owner->handle(), param);
        ASSERT_EQ(killed, model.Kill(owner, param)) << "step " << step;
        kills += killed;
      } else if (op < addShare + 25) {
        ASSERT_EQ(service.CheckTimer(owner->handle(), param), model.Check(owner, param));
      } else {
        now += rng() % 300;
        service.Run(1, now);
        model.Run(now, period, modelAnswers, expected);
        ASSERT_EQ(actual, expected) << "step " << step;
      }
      peak = std::max(peak, model.size());
    }
    now += 0x10000;
    service.Run(1, now);
    model.Run(now, period, modelAnswers, expected);
    EXPECT_EQ(actual, expected);
    EXPECT_GT(kills, static_cast<std::size_t>(steps / 12));
    EXPECT_GT(peak, static_cast<std::size_t>(steps / 30));
  }

  ScopedClocks m_clocks;
};

TEST_F(IndexModelTest, MapRemovesAndFiresExactlyWhatAScanWould) {
  cServiceMap map("Sec", 1);
  ScanModel model(true, 1);
  Exercise(map, model, false, 0);
  EXPECT_EQ(map.size(), model.size());
}

TEST_F(IndexModelTest, ListRemovesAndFiresExactlyWhatAScanWould) {
  cServiceList list(100000, "MS");
  ScanModel model(false, 1);
  Exercise(list, model, true, 100000);
  EXPECT_EQ(list.size(), model.size());
}

TEST_F(IndexModelTest, ThousandsOfTimersUnderTwoKeysBehaveAsAScanSays) {
  cServiceMap map("Sec", 1);
  ScanModel mapModel(true, 1);
  Exercise(map, mapModel, false, 0, 1, 2, 20000);
  cServiceList list(100000, "MS");
  ScanModel listModel(false, 1);
  Exercise(list, listModel, true, 100000, 1, 2, 20000);
  EXPECT_EQ(list.size(), listModel.size());
}

TEST_F(IndexModelTest, PopulationOnHugePageBlocksFiresInDueOrder) {
  // Enough timers for the index and the heap to pass 2 MiB each, the size
  // from which their blocks are allocated on huge pages.
  constexpr unsigned long kCount = 150000;
  auto due = [](unsigned long i) { return static_cast<std::uint32_t>(1000 + i * 7919 % 4096); };
  cServiceMap map("MS", 1);
  cRecorder owner;
  for (unsigned long i = 0; i < kCount; ++i) map.AddTimer(owner.handle(), i, due(i));
  for (unsigned long i = 0; i < kCount; i += 3) ASSERT_TRUE(map.KillTimer(owner.handle(), i));
  map.Run(1, 1000 + 2048);
  map.Run(1, 1000 + 4096);
  ASSERT_EQ(owner.fired.size(), kCount - kCount / 3);
  for (std::size_t k = 1; k < owner.fired.size(); ++k) {
    const unsigned long a = owner.fired[k - 1], b = owner.fired[k];
    ASSERT_TRUE(due(a) < due(b) || (due(a) == due(b) && a < b)) << k;
    ASSERT_NE(b % 3, 0u);
  }
  EXPECT_EQ(map.size(), 0u);
  EXPECT_EQ(owner.handle()->GetRefCount(), 1);
}
