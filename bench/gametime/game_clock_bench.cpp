// Cost of the game clock's Run with 100,000 future at-time entries against
// the same Run on a clock with none, measured side by side in one process:
// the at-time dispatch must look only at the front of its entries.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "tickbase/gametime/game_clock.h"

namespace {

constexpr int kFutureEntries = 100000;
constexpr int kTimedRuns = 200000;

class Counter : public iGameTimeCallback, public iGameTimeCallbackAt {
 public:
  int OnChange(unsigned long) override { return ++changes; }
  int OnTime() override { return ++fired; }
  long changes = 0;
  long fired = 0;
};

// A clock at 10:20 with a Min listener and `entries` at-time entries spread
// over the minutes of a later year.
std::unique_ptr<cGameTime> MakeClock(Counter& counter, int entries) {
  auto clock = std::make_unique<cGameTime>();
  clock->RegistCallback(cGameTime::GameTime_Min, &counter);
  for (int i = 0; i < entries; ++i) {
    const DWORD minute = static_cast<DWORD>(i);
    clock->RegistCallbackAt(stGameTime{2001, 0, minute / 1440 % 28, minute / 60 % 24, minute % 60, 0},
                            &counter);
  }
  return clock;
}

// One Run of 1000 ms at multiplier 1 from second `sec` of 10:20 (59 crosses
// into 10:21, anything lower stays in the minute). Resetting the time first
// keeps every run identical.
void RunOnce(cGameTime& clock, DWORD sec) {
  clock.m_time = stGameTime{2000, 4, 10, 10, 20, sec};
  clock.Run(1000);
}

double NsPerRun(cGameTime& clock, DWORD sec) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kTimedRuns; ++i) RunOnce(clock, sec);
  const auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start);
  return ns.count() / kTimedRuns;
}

// Times `sec`'s run on the loaded clock with the framework, and reports the
// ratio of loaded to empty from an interleaved side-by-side measurement.
void RunWithEntries(benchmark::State& state, DWORD sec, long minEventsPerRun) {
  Counter emptyCounter, loadedCounter;
  const auto empty = MakeClock(emptyCounter, 0);
  const auto loaded = MakeClock(loadedCounter, kFutureEntries);

  for (auto _ : state) RunOnce(*loaded, sec);

  double emptyNs = 0, loadedNs = 0;
  for (int round = 0; round < 3; ++round) {
    emptyNs += NsPerRun(*empty, sec);
    loadedNs += NsPerRun(*loaded, sec);
  }
  const long runs = static_cast<long>(state.iterations()) + 3L * kTimedRuns;
  if (loadedCounter.fired != 0 || emptyCounter.fired != 0) state.SkipWithError("an entry fired");
  if (loadedCounter.changes != runs * minEventsPerRun) state.SkipWithError("wrong number of Min events");
  if (loaded->m_time.sec != (sec + 1) % 60) state.SkipWithError("the clock did not advance");
  state.counters["ns_empty"] = emptyNs / 3;
  state.counters["ns_100k"] = loadedNs / 3;
  state.counters["ratio_100k_vs_empty"] = loadedNs / emptyNs;
}

void BM_RunWithinAMinute(benchmark::State& state) { RunWithEntries(state, 10, 0); }
void BM_RunAcrossAMinuteNothingDue(benchmark::State& state) { RunWithEntries(state, 59, 1); }

}  // namespace

BENCHMARK(BM_RunWithinAMinute);
BENCHMARK(BM_RunAcrossAMinuteNothingDue);
