// Script coroutines against raw Lua, timed in CPU time in alternating
// batches of the same run:
// - a wake-up of one of 10,000 coroutines looping on YieldSleep(1), its
//   share of the tick included, against a raw lua_resume/lua_yield round
//   trip of one of 10,000 coroutines doing the same Lua work; traced, the
//   same wake-ups with "script.yield" on into a null sink against it off;
// - NewThread of a function that sleeps at once against a raw
//   lua_newthread + luaL_ref + lua_resume to the first yield;
// - 100,000 coroutines sleeping at once: memory per coroutine and the tick
//   that wakes them all.
// Ticks run on the injected clocks. Every benchmark checks that the
// coroutines ran as many times as it claims.
#include <benchmark/benchmark.h>
#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <lua.hpp>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/cpu_time.h"
#include "bench/heap_bytes.h"
#include "support/scoped_clocks.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_yield.h"
#include "tickbase/timer/timer_manager.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLoopers = 10000;
constexpr int kBatch = 1000;
constexpr int kSleepers = 100000;

// The same Lua work on both sides: count, then pause.
const char kScript[] =
    "n = 0 raw = 0\n"
    "function Loop() while true do n = n + 1 YieldSleep(1) end end\n"
    "function RawLoop() while true do raw = raw + 1 y() end end\n"
    "function Sleep() YieldSleep(1000000000) end\n"
    "function RawSleep() y() end\n"
    "function Once() YieldSleep(10) n = n + 1 end\n";

int RawYield(lua_State* L) { return lua_yield(L, 0); }

void Bind(lua_State* L) {
  RegisterFunc_Yield(L);
  lua_register(L, "y", &RawYield);
}

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The script "co" in a private folder and the injected clocks.
class Bench {
 public:
  Bench() : m_dir(fs::temp_directory_path() / ("tickbase_coro_" + std::to_string(getpid()))) {
    fs::create_directories(m_dir);
    std::ofstream(m_dir / "co.lua") << kScript;
    cScriptManager& manager = cScriptManager::Instance();
    manager.BindScript(&Bind);
    manager.CreateScript(m_dir.string().c_str());
    cTimerManager::Instance().RefreshTime();
  }
  ~Bench() {
    Reset();
    fs::remove_all(m_dir);
  }

  // The script's state, loaded (silently) when needed.
  lua_State* L() {
    std::streambuf* old = std::cout.rdbuf(&m_null);
    lua_State* L = cScriptManager::Instance().GetScriptL("co");
    std::cout.rdbuf(old);
    return L;
  }
  // A counter of the script: n counts the library's coroutines' turns, raw
  // the raw ones'.
  double Count(const char* counter = "n") {
    lua_getglobal(L(), counter);
    const double n = lua_tonumber(L(), -1);
    lua_pop(L(), 1);
    return n;
  }
  void Tick(std::uint32_t ms) {
    m_clocks.Advance(ms);
    cTimerManager::Instance().Run(ms);
  }
  // Closes every state; the next tick drops their queued wake-ups.
  void Reset() {
    cScriptManager::Instance().Destroy();
    Tick(0);
  }

 private:
  fs::path m_dir;
  NullBuffer m_null;
  ScopedClocks m_clocks;
};

Bench& TheBench() {
  static Bench bench;
  return bench;
}

// Each iteration: a raw sweep that resumes every raw coroutine once, then a
// tick that wakes every sleeping coroutine once; traced, a second tick with
// "script.yield" on into a null sink (it is off otherwise, as a host leaves
// it by default). The iteration time is the untraced tick's.
void WakeUps(benchmark::State& state, bool traced) {
  Bench& bench = TheBench();
  lua_State* L = bench.L();
  std::vector<lua_State*> raw;
  for (int i = 0; i < kLoopers; ++i) {
    lua_State* co = lua_newthread(L);
    luaL_ref(L, LUA_REGISTRYINDEX);
    lua_getglobal(co, "RawLoop");
    if (lua_resume(co, 0) != LUA_YIELD) std::abort();
    raw.push_back(co);
    int ref = 0;
    if (!cScriptManager::Instance().NewThread("co", "Loop", ref, 0)) std::abort();
  }
  const auto channel = spdlog::get("script.yield");
  const auto sinks = channel->sinks();
  const auto level = channel->level();
  channel->sinks() = {std::make_shared<spdlog::sinks::null_sink_st>()};
  channel->set_level(spdlog::level::off);
  bench.Tick(0);  // the first pauses' timers are stored
  const double rawBefore = bench.Count("raw");
  const double wakesBefore = bench.Count();
  CpuStopwatch rawTime;
  CpuStopwatch wakeTime;
  CpuStopwatch tracedTime;
  for (auto _ : state) {
    rawTime.Measure([&] {
      for (lua_State* co : raw) lua_resume(co, 0);
    });
    const double before = wakeTime.Seconds();
    wakeTime.Measure([&] { bench.Tick(1); });
    state.SetIterationTime(wakeTime.Seconds() - before);
    if (traced) {
      channel->set_level(spdlog::level::info);
      tracedTime.Measure([&] { bench.Tick(1); });
      channel->set_level(spdlog::level::off);
    }
  }
  const double iterations = static_cast<double>(state.iterations());
  const double perSide = kLoopers * iterations;
  const double wakes = bench.Count() - wakesBefore;
  const double rawTrips = bench.Count("raw") - rawBefore;
  channel->sinks() = sinks;
  channel->set_level(level);
  bench.Reset();
  if (wakes != perSide * (traced ? 2 : 1) || rawTrips != perSide) {
    state.SkipWithError("not every coroutine woke once per tick");
    return;
  }
  state.counters["raw_ns"] = rawTime.NsPer(perSide);
  state.counters["wake_ns"] = wakeTime.NsPer(perSide);
  state.counters["x_raw"] = wakeTime.Seconds() / rawTime.Seconds();
  if (traced) {
    state.counters["traced_ns"] = tracedTime.NsPer(perSide);
    state.counters["x_untraced"] = tracedTime.Seconds() / wakeTime.Seconds();
  }
}

void BM_WakeUp(benchmark::State& state) { WakeUps(state, false); }
BENCHMARK(BM_WakeUp)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WakeUpTraced(benchmark::State& state) { WakeUps(state, true); }
BENCHMARK(BM_WakeUpTraced)->UseManualTime()->Unit(benchmark::kMillisecond);

// Times kBatch calls of start(L) on the loaded script's state and checks
// each left a paused thread; closes the state afterwards. CPU seconds.
template <class Start>
double TimeBatch(Start start) {
  Bench& bench = TheBench();
  lua_State* L = bench.L();  // loaded outside the timing
  const double begin = CpuSeconds();
  for (int i = 0; i < kBatch; ++i) {
    lua_State* co = start(L);
    if (!co || lua_status(co) != LUA_YIELD) std::abort();
  }
  const double took = CpuSeconds() - begin;
  bench.Reset();
  return took;
}

lua_State* RawStart(lua_State* L) {
  lua_State* co = lua_newthread(L);
  luaL_ref(L, LUA_REGISTRYINDEX);
  lua_getfield(co, LUA_GLOBALSINDEX, "RawSleep");
  lua_pushnumber(co, 0);
  lua_resume(co, 1);
  return co;
}

lua_State* NewThreadStart(lua_State*) {
  int ref = 0;
  return cScriptManager::Instance().NewThread("co", "Sleep", ref, 0);
}

// Batches of raw starts and of NewThread alternate, so both see the same
// machine state; the iteration time is NewThread's.
void BM_NewThreadToFirstSleep(benchmark::State& state) {
  double raw = 0;
  double ours = 0;
  for (auto _ : state) {
    raw += TimeBatch(&RawStart);
    const double took = TimeBatch(&NewThreadStart);
    ours += took;
    state.SetIterationTime(took);
  }
  const double starts = static_cast<double>(state.iterations()) * kBatch;
  state.counters["raw_ns"] = raw * 1e9 / starts;
  state.counters["new_ns"] = ours * 1e9 / starts;
  state.counters["x_raw"] = ours / raw;
}
BENCHMARK(BM_NewThreadToFirstSleep)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_HundredThousandSleepers(benchmark::State& state) {
  Bench& bench = TheBench();
  for (auto _ : state) {
    bench.L();
    bench.Tick(0);
    const double heap = static_cast<double>(HeapBytes());  // Lua allocates through realloc
    const double lua = lua_gc(bench.L(), LUA_GCCOUNT, 0) * 1024.0;
    for (int i = 0; i < kSleepers; ++i) {
      int ref = 0;
      lua_State* co = cScriptManager::Instance().NewThread("co", "Once", ref, 0);
      if (!co) std::abort();
      // The host lets go at once: only the library keeps them alive.
      luaL_unref(bench.L(), LUA_REGISTRYINDEX, ref);
    }
    bench.Tick(0);  // the timers are stored
    lua_gc(bench.L(), LUA_GCCOLLECT, 0);
    state.counters["bytes_each"] = (static_cast<double>(HeapBytes()) - heap) / kSleepers;
    state.counters["lua_bytes_each"] =
        (lua_gc(bench.L(), LUA_GCCOUNT, 0) * 1024.0 - lua) / kSleepers;
    const double start = CpuSeconds();
    bench.Tick(10);
    const double took = CpuSeconds() - start;
    if (bench.Count() != kSleepers) state.SkipWithError("not every sleeper woke");
    state.SetIterationTime(took);
    state.counters["tick_ms"] = took * 1e3;
    state.counters["ns_each"] = took * 1e9 / kSleepers;
    bench.Reset();
  }
}
BENCHMARK(BM_HundredThousandSleepers)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
