// The manager's tick: an idle tick with a million pending map timers and one
// with none, against one reading of the ms clock; a queued add applied by the
// next Run against a std::multimap insert, at 100,000 stored timers; and the
// memory a stored map timer costs at every size from 100,000 to a million,
// against std::multimap.
#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "bench/heap_bytes.h"
#include "bench/timer/bench_support.h"
#include "tickbase/platform/clock.h"
#include "tickbase/timer/timer_manager.h"

namespace {

// Far enough ahead that nothing falls due while the benchmark runs.
constexpr std::uint32_t kAheadMs = 100000000;

void AddAll(cTimerManager& manager, const Population& pop) {
  for (std::size_t i = 0; i < pop.handles.size(); ++i)
    manager._AddTimer(TimeRange_MS, Timer_Map, pop.dues[i], pop.handles[i], pop.params[i]);
}

void BM_IdleTick(benchmark::State& state) {
  const std::uint32_t ahead = platform::timeGetTime() + kAheadMs;
  cTimerManager empty, full;
  Population pop(1000000, ahead);
  AddAll(full, pop);
  CpuStopwatch emptyWatch, fullWatch, clockWatch;
  constexpr int kTicks = 2000;
  DWORD sum = 0;
  for (auto _ : state) {
    emptyWatch.Measure([&] {
      for (int i = 0; i < kTicks; ++i) empty.Run(1);
    });
    fullWatch.Measure([&] {
      for (int i = 0; i < kTicks; ++i) full.Run(1);
    });
    clockWatch.Measure([&] {
      for (int i = 0; i < kTicks; ++i) sum += platform::timeGetTime();
    });
  }
  benchmark::DoNotOptimize(sum);
  if (pop.Fired() != 0 || full.CheckTimer(TimeRange_MS, Timer_Map, 0, pop.handles[7], pop.params[7]) != 1)
    state.SkipWithError("the idle tick fired something");
  const double ticks = static_cast<double>(state.iterations()) * kTicks;
  SetCounter(state, "ns_empty", emptyWatch.NsPer(ticks));
  SetCounter(state, "ns_1M", fullWatch.NsPer(ticks));
  SetCounter(state, "ns_clock", clockWatch.NsPer(ticks));
  SetCounter(state, "ratio_empty_clock", emptyWatch.Seconds() / clockWatch.Seconds());
  SetCounter(state, "ratio_1M_clock", fullWatch.Seconds() / clockWatch.Seconds());
}

void BM_QueuedAdd(benchmark::State& state) {
  constexpr std::size_t kStored = 100000;
  constexpr std::size_t kBatch = 1000;
  const std::uint32_t ahead = platform::timeGetTime() + kAheadMs;
  cTimerManager manager;
  Population stored(kStored, ahead);
  AddAll(manager, stored);
  std::multimap<std::uint32_t, std::pair<cTimerObj*, unsigned long>, WrapLess> baseline;
  for (std::size_t i = 0; i < kStored; ++i)
    baseline.emplace(stored.dues[i], std::make_pair(stored.handles[i], stored.params[i]));

  // The added timers: other params of the same owners, their own due times.
  Population added(kBatch, ahead + 1);
  for (std::size_t i = 0; i < kBatch; ++i) {
    added.handles[i] = stored.handles[i];
    added.params[i] |= 1ul << 31;  // above every stored param, within 32 bits
  }
  std::vector<decltype(baseline)::iterator> inserted(kBatch);
  CpuStopwatch ours, theirs;
  for (auto _ : state) {
    ours.Measure([&] {
      for (std::size_t i = 0; i < kBatch; ++i)
        manager.AddTimer(TimeRange_MS, Timer_Map, added.dues[i], added.handles[i], added.params[i],
                         "cBenchOwner");
      manager.Run(0);
    });
    theirs.Measure([&] {
      for (std::size_t i = 0; i < kBatch; ++i)
        inserted[i] = baseline.emplace(added.dues[i], std::make_pair(added.handles[i], added.params[i]));
    });
    std::size_t applied = 0;
    for (std::size_t i = 0; i < kBatch; ++i) {
      applied += manager._KillTimer(TimeRange_MS, Timer_Map, 0, added.handles[i], added.params[i]);
      baseline.erase(inserted[i]);
    }
    if (applied != kBatch) {
      state.SkipWithError("a queued add was not applied");
      break;
    }
  }
  const double adds = static_cast<double>(state.iterations()) * kBatch;
  SetCounter(state, "ns_per_add", ours.NsPer(adds));
  SetCounter(state, "ns_multimap", theirs.NsPer(adds));
  SetCounter(state, "ratio", ours.Seconds() / theirs.Seconds());
}

// Adds map timers one by one up to a million and reads the heap every 1000
// timers from 100,000 on: the most and the least any stored timer cost on
// the way (a container that grows by doubling shows a sawtooth), and the
// cost at the end; std::multimap at a million for comparison.
void BM_MemoryPerMapTimer(benchmark::State& state) {
  constexpr std::size_t kFrom = 100000, kTo = 1000000, kEvery = 1000;
  for (auto _ : state) {
    Population pop(kTo, platform::timeGetTime() + kAheadMs);
    const std::size_t before = HeapBytes();
    auto manager = std::make_unique<cTimerManager>();
    double most = 0, least = 1e9, last = 0;
    for (std::size_t i = 0; i < kTo; ++i) {
      manager->_AddTimer(TimeRange_MS, Timer_Map, pop.dues[i], pop.handles[i], pop.params[i]);
      const std::size_t count = i + 1;
      if (count >= kFrom && count % kEvery == 0) {
        last = static_cast<double>(HeapBytes() - before) / static_cast<double>(count);
        most = std::max(most, last);
        least = std::min(least, last);
      }
    }
    if (manager->CheckTimer(TimeRange_MS, Timer_Map, 0, pop.handles[kTo - 1], pop.params[kTo - 1]) != 1)
      state.SkipWithError("timers missing");
    manager.reset();

    const std::size_t mapBefore = HeapBytes();
    std::multimap<std::uint32_t, std::pair<cTimerObj*, unsigned long>, WrapLess> baseline;
    for (std::size_t i = 0; i < kTo; ++i)
      baseline.emplace(pop.dues[i], std::make_pair(pop.handles[i], pop.params[i]));
    const std::size_t theirs = HeapBytes() - mapBefore;
    SetCounter(state, "bytes_most", most);
    SetCounter(state, "bytes_least", least);
    SetCounter(state, "bytes_at_1M", last);
    SetCounter(state, "bytes_multimap", static_cast<double>(theirs) / kTo);
  }
}

}  // namespace

BENCHMARK(BM_IdleTick)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueuedAdd)->Iterations(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerMapTimer)->Iterations(1)->Unit(benchmark::kMillisecond);
