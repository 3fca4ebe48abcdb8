// Cost of one clock reading through the platform seam, against the raw
// system clocks it could read.
#include <benchmark/benchmark.h>

#include "tickbase/platform/clock.h"

static void BM_timeGetTime(benchmark::State& state) {
  DWORD sum = 0;
  for (auto _ : state) sum += platform::timeGetTime();
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_timeGetTime);

#if defined(_WIN32)
#include <mmsystem.h>

static void BM_RawTimeGetTime(benchmark::State& state) {
  DWORD sum = 0;
  for (auto _ : state) sum += ::timeGetTime();
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_RawTimeGetTime);
#else
#include <time.h>

static void BM_RawClock(benchmark::State& state) {
  const clockid_t id = static_cast<clockid_t>(state.range(0));
  timespec ts;
  for (auto _ : state) {
    clock_gettime(id, &ts);
    benchmark::DoNotOptimize(ts);
  }
}
BENCHMARK(BM_RawClock)->Arg(CLOCK_MONOTONIC)->Arg(CLOCK_MONOTONIC_COARSE);
#endif
