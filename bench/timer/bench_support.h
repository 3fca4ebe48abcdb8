// Owners, populations and timing shared by the timer benchmarks.
#ifndef TICKBASE_BENCH_TIMER_BENCH_SUPPORT_H_
#define TICKBASE_BENCH_TIMER_BENCH_SUPPORT_H_

#include <benchmark/benchmark.h>

#include <algorithm>
#include <time.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "bench/cpu_time.h"
#include "tickbase/platform/clock_test_helper.h"
#include "tickbase/timer/timer_obj.h"

// Each timer re-arms with its own period of 32768..65535 ms, carried in the
// low 15 bits of its param (above sits a number unique among the owner's
// timers; the whole fits the 32 bits unsigned long has on Windows). Every timer then
// fires about as often as any other and the due times stay spread over a
// 64 s window: the whole population is the working set, as in a server
// whose timers are all alive.
constexpr unsigned long kPeriodBits = 0x7FFF;
constexpr unsigned long kPeriodBase = 32768;

inline unsigned long PeriodOf(unsigned long param) { return kPeriodBase + (param & kPeriodBits); }

class cBenchOwner : public iTimerObjEx {
 public:
  unsigned long OnTimer(unsigned long param) override {
    ++fired;
    return PeriodOf(param);
  }
  std::uint64_t fired = 0;
};

// An owner whose timers fire once: OnTimer ends them.
class cOneShotOwner : public iTimerObjEx {
 public:
  unsigned long OnTimer(unsigned long) override {
    ++fired;
    return 0;
  }
  std::uint64_t fired = 0;
};

// n timers spread over 1024 owners, first due 1..65536 ms after `start`.
struct Population {
  Population(std::size_t n, std::uint32_t start) : owners(kOwners) {
    for (auto& o : owners) o = std::make_unique<cBenchOwner>();
    std::mt19937_64 rng(42);
    for (std::size_t i = 0; i < n; ++i) {
      handles.push_back(owners[i % kOwners]->GetTimerObj());
      params.push_back((static_cast<unsigned long>(i / kOwners) << 15) | (rng() & kPeriodBits));
      dues.push_back(start + 1 + static_cast<std::uint32_t>(rng() % 65536));
    }
  }
  std::uint64_t Fired() const {
    std::uint64_t sum = 0;
    for (const auto& o : owners) sum += o->fired;
    return sum;
  }
  // A fixed random order of all indices, for picking victims.
  std::vector<std::size_t> Shuffled(unsigned seed) const {
    std::vector<std::size_t> order(handles.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937_64(seed));
    return order;
  }

  static constexpr std::size_t kOwners = 1024;
  std::vector<std::unique_ptr<cBenchOwner>> owners;
  std::vector<cTimerObj*> handles;
  std::vector<unsigned long> params;
  std::vector<std::uint32_t> dues;
};

// The wrap-around due order, for the baseline containers.
struct WrapLess {
  bool operator()(std::uint32_t a, std::uint32_t b) const {
    return static_cast<std::int32_t>(a - b) < 0;
  }
};

// Simulated clocks for a whole cTimerManager, so a benchmark decides when
// timers fall due. Each reading still costs what a reading of the system
// clocks costs (the library reads them for its timing reports), but returns
// the simulated time. Restores the system clocks.
class BenchClocks {
 public:
  explicit BenchClocks(std::uint32_t ms) {
    Total() = ms;
    platform::SetClocks(+[] {
      timespec ts;
#ifdef CLOCK_MONOTONIC_COARSE
      clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
#else
      clock_gettime(CLOCK_MONOTONIC, &ts);
#endif
      const std::uint64_t real = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
      benchmark::DoNotOptimize(real);
      return static_cast<std::uint32_t>(Total());
    }, +[] {
      const long real = static_cast<long>(::time(nullptr));
      benchmark::DoNotOptimize(real);
      return 1700000000L + static_cast<long>(Total() / 1000);
    });
  }
  ~BenchClocks() { platform::SetClocks(nullptr, nullptr); }
  BenchClocks(const BenchClocks&) = delete;
  BenchClocks& operator=(const BenchClocks&) = delete;

  void Advance(std::uint32_t ms) { Total() += ms; }
  // The ms clock (wraps at 2^32).
  std::uint32_t ms() const { return static_cast<std::uint32_t>(Total()); }

 private:
  static std::uint64_t& Total() {
    static std::uint64_t v;
    return v;
  }
};

inline void SetCounter(benchmark::State& state, const char* name, double value) {
  state.counters[name] = benchmark::Counter(value);
}

#endif  // TICKBASE_BENCH_TIMER_BENCH_SUPPORT_H_
