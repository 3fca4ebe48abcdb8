// The indexed map and list services against a plain scan of a vector (and,
// for populations a scan cannot check, a sorted set), on random operations
// with a fixed seed: same kill results, same check results, same firings in
// the same order, across the 2^32 wrap and clock jumps of 2^30.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <tuple>

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

// The map rules kept sorted: due times go onto a 64-bit line by their
// signed distance from the clock, where a std::set orders them.
class SortedModel {
 public:
  explicit SortedModel(std::uint32_t now) : m_now32(now) {}

  void Add(const cRecorder* obj, unsigned long param, std::uint32_t due) {
    const Entry e{m_now + static_cast<std::int32_t>(due - m_now32), ++m_seq, obj, param};
    m_order.insert(e);
    m_byKey[{obj, param}].insert(e);
  }
  bool Kill(const cRecorder* obj, unsigned long param) {
    auto it = m_byKey.find({obj, param});
    if (it == m_byKey.end() || it->second.empty()) return false;
    m_order.erase(*it->second.begin());
    it->second.erase(it->second.begin());
    return true;
  }
  bool Check(const cRecorder* obj, unsigned long param) const {
    auto it = m_byKey.find({obj, param});
    return it != m_byKey.end() && !it->second.empty();
  }
  template <class Result>
  void Run(std::uint32_t now, std::uint32_t, Result& result, std::vector<Firing>& fired) {
    m_now += static_cast<std::int32_t>(now - m_now32);
    m_now32 = now;
    while (!m_order.empty() && std::get<0>(*m_order.begin()) <= m_now) {
      const Entry e = *m_order.begin();
      m_order.erase(m_order.begin());
      m_byKey[{std::get<2>(e), std::get<3>(e)}].erase(e);
      fired.emplace_back(std::get<2>(e), std::get<3>(e));
      if (const unsigned long r = result(std::get<3>(e))) Add(std::get<2>(e), std::get<3>(e), now + static_cast<std::uint32_t>(r));
    }
  }
  std::size_t size() const { return m_order.size(); }

 private:
  using Entry = std::tuple<std::int64_t, std::uint64_t, const cRecorder*, unsigned long>;
  std::uint32_t m_now32;
  std::int64_t m_now = 0;
  std::uint64_t m_seq = 0;
  std::set<Entry> m_order;
  std::map<std::pair<const cRecorder*, unsigned long>, std::set<Entry>> m_byKey;
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
  static constexpr std::uint32_t kStart = 0xFFFF0000u;  // the walk crosses 2^32

  // Random adds, kills, checks and runs on service against model, with
  // keys drawn from owners x params.
  template <class Model>
  void Exercise(cService& service, Model& model, bool isList, std::uint32_t period, int ownerCount = 3,
                unsigned long params = 24, int steps = 60000) {
    std::mt19937 rng(20240601);
    std::vector<Firing> actual;
    Answers ownerAnswers, modelAnswers;
    std::vector<std::unique_ptr<cRecorder>> owners;
    for (int i = 0; i < ownerCount; ++i) {
      owners.push_back(std::make_unique<cRecorder>(0, &actual));
      owners.back()->hook = [&](unsigned long param) { return ownerAnswers(param); };
    }
    std::uint32_t now = kStart;
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
        // Now and then the clock jumps, so that everything is overdue and
        // the keys' line is recentred.
        now += step % 5000 == 4999 ? 0x40000000u : rng() % 300;
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

TEST_F(IndexModelTest, BusyMapFiresExactlyWhatASortedModelWould) {
  // Tens of thousands of timers, due from the past to minutes ahead.
  cServiceMap map("MS", 1);
  SortedModel model(kStart);
  Exercise(map, model, false, 0, 4, 500, 250000);
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
  // Enough timers for the index and the wheel's nodes to pass 2 MiB each,
  // the size from which their blocks are allocated on huge pages.
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
