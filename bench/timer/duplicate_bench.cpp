// 80,000 map timers under one (handle, param) against 80,000 under distinct
// keys, with the same due times, in the same run: adding them, checking,
// killing them all, and firing them all, each phase timed apart, and the
// whole life. A key shared by many timers must cost about what many keys
// cost. A kill among k timers of one key takes the first-firing one out of
// a heap, O(log k); among distinct keys it is one lookup.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "bench/timer/bench_support.h"
#include "tickbase/timer/service_map.h"

namespace {

constexpr std::size_t kTimers = 80000;
constexpr std::uint32_t kStart = 1000;

struct Phases {
  CpuStopwatch add, check, kill, fire;
};

// One round on a fresh map: params(i) gives timer i's param.
template <class Param>
void Round(Param params, const std::vector<std::uint32_t>& dues, Phases& t, benchmark::State& state) {
  cOneShotOwner owner;
  cTimerObj* h = owner.GetTimerObj();
  cServiceMap map("MS", 1);
  std::size_t ok = 0;
  t.add.Measure([&] {
    for (std::size_t i = 0; i < kTimers; ++i) map.AddTimer(h, params(i), dues[i]);
  });
  t.check.Measure([&] {
    for (std::size_t i = 0; i < kTimers; ++i) ok += map.CheckTimer(h, params(i));
  });
  t.kill.Measure([&] {
    for (std::size_t i = 0; i < kTimers; ++i) ok += map.KillTimer(h, params(i));
  });
  for (std::size_t i = 0; i < kTimers; ++i) map.AddTimer(h, params(i), dues[i]);
  t.fire.Measure([&] {
    for (std::uint32_t now = kStart; now <= kStart + 65536; now += 64) map.Run(1, now);
  });
  if (ok != 2 * kTimers || owner.fired != kTimers || map.size() != 0) state.SkipWithError("work mismatch");
}

void BM_DuplicateKeys(benchmark::State& state) {
  Population pop(kTimers, kStart);  // its due times: random over 64 s
  Phases same, distinct;
  for (auto _ : state) {
    Round([](std::size_t) { return 7ul; }, pop.dues, same, state);
    Round([](std::size_t i) { return static_cast<unsigned long>(i); }, pop.dues, distinct, state);
  }
  const double n = static_cast<double>(kTimers) * static_cast<double>(state.iterations());
  const std::pair<const char*, CpuStopwatch Phases::*> phases[] = {
      {"add", &Phases::add}, {"check", &Phases::check}, {"kill", &Phases::kill}, {"fire", &Phases::fire}};
  for (const auto& [name, phase] : phases) {
    SetCounter(state, (std::string(name) + "_ns_same").c_str(), (same.*phase).NsPer(n));
    SetCounter(state, (std::string(name) + "_ns_distinct").c_str(), (distinct.*phase).NsPer(n));
    SetCounter(state, (std::string("ratio_") + name).c_str(), (same.*phase).Seconds() / (distinct.*phase).Seconds());
  }
  auto life = [](const Phases& p) { return p.add.Seconds() + p.check.Seconds() + p.kill.Seconds() + p.fire.Seconds(); };
  SetCounter(state, "ratio_life", life(same) / life(distinct));
}

}  // namespace

BENCHMARK(BM_DuplicateKeys)->Iterations(10)->Unit(benchmark::kMillisecond);
