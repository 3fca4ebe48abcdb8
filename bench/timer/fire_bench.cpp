// Firing and re-arming map timers through the whole dispatch (cTimerManager::
// Run: the tick, the ranges, the service run with its timing, the callback
// with its timing), against two references doing the same work on the same
// population with the same due times, in the same run: a plain 4-ary heap
// keyed by (due, sequence) in one 64-bit word, and std::multimap. Each
// reference takes the first due timer out, calls its owner and puts it back
// at what the owner answers.
#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "bench/timer/bench_support.h"
#include "tickbase/timer/timer_manager.h"

namespace {

constexpr std::uint32_t kStart = 0xFFF00000u;  // the run crosses the 2^32 wrap
constexpr std::uint32_t kStepMs = 64;

// The textbook 4-ary min-heap: entries in one array, the first at 0, the
// children of i at 4i+1..4i+4. Due times are kept as ms since kStart, so
// (due << 32 | seq) orders by due, then by insertion.
class ReferenceHeap {
 public:
  struct Entry {
    std::uint64_t key;
    cTimerObj* obj;
    unsigned long param;
  };

  void Push(std::uint32_t due, cTimerObj* obj, unsigned long param) {
    std::size_t i = m_heap.size();
    const Entry e{static_cast<std::uint64_t>(due) << 32 | ++m_seq, obj, param};
    m_heap.push_back(e);
    while (i > 0) {
      const std::size_t parent = (i - 1) / 4;
      if (m_heap[parent].key <= e.key) break;
      m_heap[i] = m_heap[parent];
      i = parent;
    }
    m_heap[i] = e;
  }
  bool Due(std::uint32_t now) const { return !m_heap.empty() && (m_heap[0].key >> 32) <= now; }
  Entry Pop() {
    const Entry top = m_heap[0];
    const Entry e = m_heap.back();
    m_heap.pop_back();
    const std::size_t n = m_heap.size();
    std::size_t i = 0;
    for (;;) {
      const std::size_t first = 4 * i + 1;
      if (first >= n) break;
      std::size_t best = first;
      const std::size_t last = first + 4 < n ? first + 4 : n;
      for (std::size_t c = first + 1; c < last; ++c)
        if (m_heap[c].key < m_heap[best].key) best = c;
      if (e.key <= m_heap[best].key) break;
      m_heap[i] = m_heap[best];
      i = best;
    }
    if (n > 0) m_heap[i] = e;
    return top;
  }
  std::size_t size() const { return m_heap.size(); }

 private:
  std::vector<Entry> m_heap;
  std::uint32_t m_seq = 0;
};

// Calls the owner as the scheduler would (no timing, no bookkeeping).
unsigned long Call(cTimerObj* obj, unsigned long param) { return obj->GetOwner()->OnTimer(param); }

// Each iteration moves the clock by steps x 64 ms, timing each structure over
// the whole stretch: enough firings per measurement that reading the
// stopwatch costs nothing worth counting.
void BM_MapFireRearm(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const int steps = static_cast<int>(state.range(1));
  BenchClocks clocks(kStart);
  Population pop(n, kStart);
  cTimerManager manager;
  manager.RefreshTime();
  ReferenceHeap heap;
  std::multimap<std::uint32_t, std::pair<cTimerObj*, unsigned long>, WrapLess> multimap;
  for (std::size_t i = 0; i < n; ++i) {
    manager._AddTimer(TimeRange_MS, Timer_Map, pop.dues[i], pop.handles[i], pop.params[i]);
    heap.Push(pop.dues[i] - kStart, pop.handles[i], pop.params[i]);
    multimap.emplace(pop.dues[i], std::make_pair(pop.handles[i], pop.params[i]));
  }

  CpuStopwatch ours, heapWatch, multimapWatch;
  std::uint64_t heapFired = 0, multimapFired = 0;
  std::uint32_t now = kStart;
  for (auto _ : state) {
    const std::uint32_t from = now;
    ours.Measure([&] {
      for (int s = 0; s < steps; ++s) {
        clocks.Advance(kStepMs);
        manager.Run(kStepMs);
      }
    });
    now = from;
    heapWatch.Measure([&] {
      for (int s = 0; s < steps; ++s) {
        now += kStepMs;
        const std::uint32_t since = now - kStart;
        while (heap.Due(since)) {
          const ReferenceHeap::Entry e = heap.Pop();
          const unsigned long r = Call(e.obj, e.param);
          if (r != 0) heap.Push(since + static_cast<std::uint32_t>(r), e.obj, e.param);
          ++heapFired;
        }
      }
    });
    now = from;
    multimapWatch.Measure([&] {
      for (int s = 0; s < steps; ++s) {
        now += kStepMs;
        while (!multimap.empty() && static_cast<std::int32_t>(now - multimap.begin()->first) >= 0) {
          const auto entry = multimap.begin()->second;
          multimap.erase(multimap.begin());
          const unsigned long r = Call(entry.first, entry.second);
          if (r != 0) multimap.emplace(now + static_cast<std::uint32_t>(r), entry);
          ++multimapFired;
        }
      }
    });
  }
  const std::uint64_t fired = pop.Fired() - heapFired - multimapFired;
  if (fired != heapFired || fired != multimapFired || heap.size() != n ||
      manager.GetRange(TimeRange_MS)->GetTimerCount(Timer_Map) != n)
    state.SkipWithError("work mismatch");
  const double fires = static_cast<double>(fired);
  SetCounter(state, "fired", fires);
  SetCounter(state, "ns_per_fire", ours.NsPer(fires));
  SetCounter(state, "ns_heap4", heapWatch.NsPer(fires));
  SetCounter(state, "ns_multimap", multimapWatch.NsPer(fires));
  SetCounter(state, "ratio_heap4", ours.Seconds() / heapWatch.Seconds());
  SetCounter(state, "ratio_multimap", ours.Seconds() / multimapWatch.Seconds());
}

// One-shot timers, the pattern of deferred calls and sleeping scripts: each
// fired timer ends (its owner returns 0) and a new timer with a new param
// takes its place, so the index sees a constant turnover of keys.
void BM_MapOneShotTurnover(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  BenchClocks clocks(kStart);
  Population pop(n, kStart);
  cOneShotOwner owner;
  cTimerObj* handle = owner.GetTimerObj();
  cTimerManager manager;
  manager.RefreshTime();
  std::multimap<std::uint32_t, unsigned long, WrapLess> baseline;
  for (std::size_t i = 0; i < n; ++i) {
    manager._AddTimer(TimeRange_MS, Timer_Map, pop.dues[i], handle, pop.params[i]);
    baseline.emplace(pop.dues[i], pop.params[i]);
  }

  CpuStopwatch ours, theirs;
  std::uint64_t baselineFired = 0;
  unsigned long nextParam = n << 15;
  for (auto _ : state) {
    clocks.Advance(kStepMs);
    const std::uint32_t now = clocks.ms();
    ours.Measure([&] {
      const std::uint64_t before = owner.fired;
      manager.Run(kStepMs);
      for (std::uint64_t k = before; k < owner.fired; ++k, ++nextParam)
        manager._AddTimer(TimeRange_MS, Timer_Map, now + PeriodOf(nextParam), handle, nextParam);
    });
    theirs.Measure([&] {
      unsigned long param = nextParam - (owner.fired - baselineFired);
      while (!baseline.empty() && static_cast<std::int32_t>(now - baseline.begin()->first) >= 0) {
        baseline.erase(baseline.begin());
        baseline.emplace(now + PeriodOf(param), param);
        ++param;
        ++baselineFired;
      }
    });
  }
  if (owner.fired != baselineFired || manager.GetRange(TimeRange_MS)->GetTimerCount(Timer_Map) != n)
    state.SkipWithError("work mismatch");
  SetCounter(state, "fired", static_cast<double>(owner.fired));
  SetCounter(state, "ns_per_fire_and_add", ours.NsPer(static_cast<double>(owner.fired)));
  SetCounter(state, "ns_multimap", theirs.NsPer(static_cast<double>(baselineFired)));
  SetCounter(state, "ratio", ours.Seconds() / theirs.Seconds());
}

}  // namespace

// About a million firings per size (a timer fires about once per 49 s), a
// few hundred per measurement.
BENCHMARK(BM_MapFireRearm)->Args({10000, 16})->Iterations(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFireRearm)->Args({100000, 4})->Iterations(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFireRearm)->Args({1000000, 1})->Iterations(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapOneShotTurnover)->Arg(1000000)->Iterations(2048)->Unit(benchmark::kMillisecond);
