// Firing and re-arming map timers through the whole dispatch (the service
// run with its timing, cTimerObj::OnTimer with its timing, an owner that
// returns its period), against std::multimap erase-first-and-insert of the
// same population with the same due times, in the same run.
#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "bench/timer/bench_support.h"
#include "tickbase/timer/service_map.h"

namespace {

constexpr std::uint32_t kStart = 0xFFF00000u;  // the run crosses the 2^32 wrap
constexpr std::uint32_t kStepMs = 64;

void BM_MapFireRearm(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Population pop(n, kStart);
  cServiceMap map("MS", 1);
  std::multimap<std::uint32_t, std::pair<cTimerObj*, unsigned long>, WrapLess> baseline;
  for (std::size_t i = 0; i < n; ++i) {
    map.AddTimer(pop.handles[i], pop.params[i], pop.dues[i]);
    baseline.emplace(pop.dues[i], std::make_pair(pop.handles[i], pop.params[i]));
  }

  Stopwatch ours, theirs;
  std::uint64_t baselineFired = 0;
  std::uint32_t now = kStart;
  for (auto _ : state) {
    now += kStepMs;
    ours.Measure([&] { map.RunService(1, now); });
    theirs.Measure([&] {
      while (!baseline.empty() && static_cast<std::int32_t>(now - baseline.begin()->first) >= 0) {
        const auto entry = baseline.begin()->second;
        baseline.erase(baseline.begin());
        baseline.emplace(now + PeriodOf(entry.second), entry);
        ++baselineFired;
      }
    });
  }
  const std::uint64_t fired = pop.Fired();
  if (fired != baselineFired || map.size() != n) state.SkipWithError("work mismatch");
  SetCounter(state, "fired", static_cast<double>(fired));
  SetCounter(state, "ns_per_fire", ours.NsPer(static_cast<double>(fired)));
  SetCounter(state, "ns_multimap", theirs.NsPer(static_cast<double>(baselineFired)));
  SetCounter(state, "ratio", ours.Seconds() / theirs.Seconds());
}

// One-shot timers, the pattern of deferred calls and sleeping scripts: each
// fired timer ends (its owner returns 0) and a new timer with a new param
// takes its place, so the index sees a constant turnover of keys.
void BM_MapOneShotTurnover(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Population pop(n, kStart);
  cOneShotOwner owner;
  cTimerObj* handle = owner.GetTimerObj();
  cServiceMap map("MS", 1);
  std::multimap<std::uint32_t, unsigned long, WrapLess> baseline;
  for (std::size_t i = 0; i < n; ++i) {
    map.AddTimer(handle, pop.params[i], pop.dues[i]);
    baseline.emplace(pop.dues[i], pop.params[i]);
  }

  Stopwatch ours, theirs;
  std::uint64_t baselineFired = 0, added = 0;
  unsigned long nextParam = n << 15;
  std::uint32_t now = kStart;
  for (auto _ : state) {
    now += kStepMs;
    ours.Measure([&] {
      const std::uint64_t before = owner.fired;
      map.RunService(1, now);
      for (std::uint64_t k = before; k < owner.fired; ++k, ++nextParam)
        map.AddTimer(handle, nextParam, now + PeriodOf(nextParam));
      added += owner.fired - before;
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
  if (owner.fired != baselineFired || map.size() != n) state.SkipWithError("work mismatch");
  SetCounter(state, "fired", static_cast<double>(owner.fired));
  SetCounter(state, "ns_per_fire_and_add", ours.NsPer(static_cast<double>(owner.fired)));
  SetCounter(state, "ns_multimap", theirs.NsPer(static_cast<double>(baselineFired)));
  SetCounter(state, "ratio", ours.Seconds() / theirs.Seconds());
}

}  // namespace

// About a million firings per size: a timer fires about once per 49 s.
BENCHMARK(BM_MapFireRearm)->Arg(10000)->Iterations(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFireRearm)->Arg(100000)->Iterations(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFireRearm)->Arg(1000000)->Iterations(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapOneShotTurnover)->Arg(1000000)->Iterations(2048)->Unit(benchmark::kMillisecond);
