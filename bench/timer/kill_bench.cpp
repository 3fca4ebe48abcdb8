// Kill and check through the index: the same operations among 1,000 and
// among 1,000,000 stored timers, in the same run. Victims are picked in a
// fixed random order and added back untimed, so the population stays put.
// At a million, a random victim's slot and order entry are cold, so that
// ratio is mostly cache and TLB misses. The "Recent" variants kill timers
// added just before (an owner cancelling what it just scheduled): the
// index's own cost, stale-entry compaction included, without the misses.
#include <benchmark/benchmark.h>

#include "bench/timer/bench_support.h"
#include "tickbase/timer/timer_manager.h"

namespace {

constexpr std::size_t kSmall = 1000;
constexpr std::size_t kLarge = 1000000;
constexpr std::size_t kBatch = 500;
constexpr unsigned long kListPeriod = 60;

enum class Op { kMapKill, kListKill, kMapCheck, kQueuedMapKill };

// One population stored in its own manager, map or list kind. Victims are
// laid out in kill order, so the harness itself reads memory sequentially
// and the timing sees the scheduler's own memory traffic.
struct Scheduler {
  struct Victim {
    cTimerObj* handle;
    unsigned long param;
    std::uint32_t due;
  };

  Scheduler(std::size_t n, TimerEnum kind) : pop(n, 1000), kind(kind) {
    manager.RefreshTime();
    for (std::size_t i : pop.Shuffled(7)) victims.push_back(Victim{pop.handles[i], pop.params[i], pop.dues[i]});
    for (const Victim& v : victims) Add(v);
  }
  void Add(const Victim& v) {
    manager._AddTimer(TimeRange_Sec, kind, kind == Timer_Map ? v.due : kListPeriod, v.handle, v.param);
  }
  // Runs op on the next batch of victims.
  std::size_t Batch(Op op, CpuStopwatch& watch) {
    const Victim* batch = &victims[next];
    next = (next + kBatch) % victims.size();
    return Apply(op, batch, watch);
  }
  // Adds a batch of new timers untimed, then kills them, timed.
  std::size_t RecentBatch(Op op, CpuStopwatch& watch) {
    for (std::size_t k = 0; k < kBatch; ++k) {
      const Victim& model = victims[(next + k) % victims.size()];
      // Above every population param, so each fresh timer is a new key.
      fresh[k] = Victim{model.handle, kFreshParams + freshCount++, model.due};
      Add(fresh[k]);
    }
    next = (next + kBatch) % victims.size();
    return Apply(op, fresh.data(), watch);
  }

  // Runs op on batch and restores the population; returns how many succeeded.
  std::size_t Apply(Op op, const Victim* batch, CpuStopwatch& watch) {
    std::size_t ok = 0;
    const unsigned long time = kind == Timer_Map ? 0 : kListPeriod;
    watch.Measure([&] {
      for (std::size_t k = 0; k < kBatch; ++k) {
        const Victim& v = batch[k];
        switch (op) {
          case Op::kMapKill:
          case Op::kListKill:
            ok += manager._KillTimer(TimeRange_Sec, kind, time, v.handle, v.param);
            break;
          case Op::kMapCheck:
            ok += manager.CheckTimer(TimeRange_Sec, kind, time, v.handle, v.param);
            break;
          case Op::kQueuedMapKill:
            ok += manager.KillTimer(TimeRange_Sec, kind, time, v.handle, v.param, "cBenchOwner");
            break;
        }
      }
      if (op == Op::kQueuedMapKill) manager.FlushCmd();
    });
    if (op == Op::kQueuedMapKill) {
      for (std::size_t k = 0; k < kBatch; ++k)
        ok -= manager.CheckTimer(TimeRange_Sec, kind, time, batch[k].handle, batch[k].param);
    }
    if (op != Op::kMapCheck && batch != fresh.data()) {
      for (std::size_t k = 0; k < kBatch; ++k) Add(batch[k]);
    }
    return ok;
  }

  static constexpr unsigned long kFreshParams = 1ul << 31;

  cTimerManager manager;
  Population pop;
  TimerEnum kind;
  std::vector<Victim> victims;  // a fixed random order; kBatch divides both sizes
  std::vector<Victim> fresh = std::vector<Victim>(kBatch);
  unsigned long freshCount = 0;
  std::size_t next = 0;
};

enum class Victims { kRandom, kRecent };

void Compare(benchmark::State& state, Op op, TimerEnum kind, Victims victims = Victims::kRandom) {
  Scheduler small(kSmall, kind), large(kLarge, kind);
  CpuStopwatch smallWatch, largeWatch;
  std::size_t done = 0, ok = 0;
  const bool recent = victims == Victims::kRecent;
  for (auto _ : state) {
    ok += recent ? small.RecentBatch(op, smallWatch) : small.Batch(op, smallWatch);
    ok += recent ? large.RecentBatch(op, largeWatch) : large.Batch(op, largeWatch);
    done += 2 * kBatch;
  }

  if (ok != done) state.SkipWithError("an operation missed its timer");
  const double per = static_cast<double>(done / 2);
  SetCounter(state, "ns_1k", smallWatch.NsPer(per));
  SetCounter(state, "ns_1M", largeWatch.NsPer(per));
  SetCounter(state, "ratio_1M_1k", largeWatch.Seconds() / smallWatch.Seconds());
}

void BM_MapKill(benchmark::State& state) { Compare(state, Op::kMapKill, Timer_Map); }
void BM_ListKill(benchmark::State& state) { Compare(state, Op::kListKill, Timer_List); }
void BM_MapCheck(benchmark::State& state) { Compare(state, Op::kMapCheck, Timer_Map); }
void BM_QueuedMapKill(benchmark::State& state) { Compare(state, Op::kQueuedMapKill, Timer_Map); }
void BM_MapKillRecent(benchmark::State& state) {
  Compare(state, Op::kMapKill, Timer_Map, Victims::kRecent);
}
void BM_ListKillRecent(benchmark::State& state) {
  Compare(state, Op::kListKill, Timer_List, Victims::kRecent);
}

}  // namespace

// 4000 batches: two million victims, so the large population is killed and
// re-added twice over (its stale entries compacted along the way).
BENCHMARK(BM_MapKill)->Iterations(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListKill)->Iterations(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapCheck)->Iterations(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueuedMapKill)->Iterations(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapKillRecent)->Iterations(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListKillRecent)->Iterations(4000)->Unit(benchmark::kMillisecond);
