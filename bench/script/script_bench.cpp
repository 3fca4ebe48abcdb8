// Cost of calling a script function by name, the host's hot path, against a
// raw lua_getfield + lua_pcall of the same function measured in the same
// run; plus GetScript of a loaded script and RunScriptFileFunc with its
// console lines discarded. Every benchmark checks that the calls happened;
// CallFunction also counts heap allocations (there must be none).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <lua.hpp>
#include <new>
#include <streambuf>

#include "tickbase/script/script_interrupt.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_runner.h"

namespace {

size_t g_allocations = 0;

}  // namespace

// Counts every allocation of the process, the library's included.
void* operator new(size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;

// Discards what the runner prints.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A loaded script "bench" whose function f counts its calls in the global n.
class BenchScript {
 public:
  BenchScript()
      : m_dir(fs::temp_directory_path() / ("tickbase_bench_" + std::to_string(getpid()))) {
    fs::create_directories(m_dir);
    std::ofstream(m_dir / "bench.lua") << "n = 0 function f() n = n + 1 end";
    cScriptManager& manager = cScriptManager::Instance();
    manager.BindScript([](lua_State*) {});
    manager.CreateScript(m_dir.string().c_str());
    NullBuffer discard;
    std::streambuf* old = std::cout.rdbuf(&discard);
    m_script = manager.GetScript("bench");
    std::cout.rdbuf(old);
    if (!m_script) std::abort();
  }
  ~BenchScript() {
    cScriptManager::Instance().Destroy();
    fs::remove_all(m_dir);
  }

  KLuaScript* script() const { return m_script; }
  lua_State* L() const { return m_script->GetLua(); }

  long Calls() {
    lua_getglobal(L(), "n");
    const long n = static_cast<long>(lua_tonumber(L(), -1));
    lua_pop(L(), 1);
    return n;
  }
  void ResetCalls() {
    lua_pushnumber(L(), 0);
    lua_setglobal(L(), "n");
  }

 private:
  fs::path m_dir;
  KLuaScript* m_script = nullptr;
};

BenchScript& Script() {
  static BenchScript script;
  return script;
}

void RawCall(lua_State* L) {
  lua_getfield(L, LUA_GLOBALSINDEX, "f");
  lua_pcall(L, 0, 0, 0);
}

// ns per raw call, best of five rounds, measured now.
double RawNs() {
  lua_State* L = Script().L();
  constexpr int kCalls = 200000;
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) RawCall(L);
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count() / kCalls);
  }
  return best;
}

// Runs body per iteration, checks that f ran callsPerIteration times each,
// and reports ns per iteration against the raw call.
template <class Body>
void Measure(benchmark::State& state, long callsPerIteration, Body body) {
  BenchScript& script = Script();
  script.ResetCalls();
  const size_t allocationsBefore = g_allocations;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) body();
  const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
  const size_t allocations = g_allocations - allocationsBefore;
  const long expected = callsPerIteration * static_cast<long>(state.iterations());
  if (script.Calls() != expected) {
    state.SkipWithError("the script function did not run once per call");
    return;
  }
  const double ns = took.count() / static_cast<double>(state.iterations());
  state.counters["raw_ns"] = RawNs();
  state.counters["x_raw"] = ns / state.counters["raw_ns"];
  state.counters["allocs"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
}

void BM_RawGetfieldPcall(benchmark::State& state) {
  lua_State* L = Script().L();
  Measure(state, 1, [L] { RawCall(L); });
}
BENCHMARK(BM_RawGetfieldPcall);

void BM_CallFunction(benchmark::State& state) {
  KLuaScript* script = Script().script();
  script->CallFunction("f", 0);  // the guards keep their storage from here on
  Measure(state, 1, [script] { script->CallFunction("f", 0); });
  if (state.counters["allocs"] > 0) state.SkipWithError("CallFunction allocated");
}
BENCHMARK(BM_CallFunction);

// The same with the watchdog on, as the host runs by default: each call also
// hooks the state and reads the clock.
void BM_CallFunctionWatched(benchmark::State& state) {
  KLuaScript* script = Script().script();
  SetScriptWatchdog(10000);
  Measure(state, 1, [script] { script->CallFunction("f", 0); });
  SetScriptWatchdog(0);
}
BENCHMARK(BM_CallFunctionWatched);

void BM_GetScriptLoaded(benchmark::State& state) {
  cScriptManager& manager = cScriptManager::Instance();
  KLuaScript* expected = Script().script();
  Measure(state, 0, [&] {
    if (manager.GetScript("bench") != expected) std::abort();
  });
}
BENCHMARK(BM_GetScriptLoaded);

void BM_RunScriptFileFunc(benchmark::State& state) {
  NullBuffer discard;
  std::streambuf* old = std::cout.rdbuf(&discard);
  Measure(state, 1, [] { RunScriptFileFunc("bench", "f"); });
  std::cout.rdbuf(old);
}
BENCHMARK(BM_RunScriptFileFunc);

}  // namespace
