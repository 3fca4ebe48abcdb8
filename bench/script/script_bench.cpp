// Cost of calling a script function by name, the host's hot path, against a
// raw lua_getfield + lua_pcall of the same function timed in alternating
// batches of the same run (x_raw; the raw call against itself shows the
// method's noise); plus GetScript of a loaded script, RunScriptFileFunc
// with its console lines discarded, and a loop of plain Lua arithmetic that
// shows what the Lua engine in use does to script code. Every benchmark
// checks that the calls happened; CallFunction also counts heap
// allocations (there must be none).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <lua.hpp>
#include <new>
#include <streambuf>

#include "bench/cpu_time.h"
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

constexpr int kBatch = 10000;

// Each iteration times kBatch raw calls, then kBatch runs of body, in CPU
// time; checks that f ran once per raw call and callsPerRun times per body,
// and reports both per call with their ratio. The iteration time is body's.
template <class Body>
void Measure(benchmark::State& state, long callsPerRun, Body body) {
  BenchScript& script = Script();
  lua_State* L = script.L();
  script.ResetCalls();
  double raw = 0;
  double ours = 0;
  size_t allocations = 0;
  for (auto _ : state) {
    double start = CpuSeconds();
    for (int i = 0; i < kBatch; ++i) RawCall(L);
    raw += CpuSeconds() - start;
    const size_t before = g_allocations;
    start = CpuSeconds();
    for (int i = 0; i < kBatch; ++i) body();
    const double took = CpuSeconds() - start;
    allocations += g_allocations - before;
    ours += took;
    state.SetIterationTime(took);
  }
  const double runs = static_cast<double>(state.iterations()) * kBatch;
  if (static_cast<double>(script.Calls()) != runs * static_cast<double>(1 + callsPerRun)) {
    state.SkipWithError("the script function did not run once per call");
    return;
  }
  state.counters["raw_ns"] = raw * 1e9 / runs;
  state.counters["ns"] = ours * 1e9 / runs;
  state.counters["x_raw"] = ours / raw;
  state.counters["allocs"] = static_cast<double>(allocations) / runs;
}

void BM_RawGetfieldPcall(benchmark::State& state) {
  lua_State* L = Script().L();
  Measure(state, 1, [L] { RawCall(L); });
}
BENCHMARK(BM_RawGetfieldPcall)->UseManualTime();

void BM_CallFunction(benchmark::State& state) {
  KLuaScript* script = Script().script();
  script->CallFunction("f", 0);  // the guards keep their storage from here on
  Measure(state, 1, [script] { script->CallFunction("f", 0); });
  if (state.counters["allocs"] > 0) state.SkipWithError("CallFunction allocated");
}
BENCHMARK(BM_CallFunction)->UseManualTime();

// The same with the watchdog on, as the host runs by default: each call also
// hooks the state and reads the clock.
void BM_CallFunctionWatched(benchmark::State& state) {
  KLuaScript* script = Script().script();
  SetScriptWatchdog(10000);
  Measure(state, 1, [script] { script->CallFunction("f", 0); });
  SetScriptWatchdog(0);
}
BENCHMARK(BM_CallFunctionWatched)->UseManualTime();

void BM_GetScriptLoaded(benchmark::State& state) {
  cScriptManager& manager = cScriptManager::Instance();
  KLuaScript* expected = Script().script();
  Measure(state, 0, [&] {
    if (manager.GetScript("bench") != expected) std::abort();
  });
}
BENCHMARK(BM_GetScriptLoaded)->UseManualTime();

void BM_RunScriptFileFunc(benchmark::State& state) {
  NullBuffer discard;
  std::streambuf* old = std::cout.rdbuf(&discard);
  Measure(state, 1, [] { RunScriptFileFunc("bench", "f"); });
  std::cout.rdbuf(old);
}
BENCHMARK(BM_RunScriptFileFunc)->UseManualTime();

// ns per turn of a numeric loop of plain Lua (a multiply, a modulo, an add).
void PureLuaLoop(benchmark::State& state) {
  KLuaScript* script = Script().script();
  if (!script->DoString("function loop(k) local s = 0 for i = 1, k do s = (s + i * 7) % 1000003 end "
                        "return s end")) {
    state.SkipWithError("the loop did not load");
    return;
  }
  constexpr int kTurns = 1000000;
  double seconds = 0;
  int result = 0;
  for (auto _ : state) {
    const double start = CpuSeconds();
    script->CallFunction1("loop", kTurns, 1);
    seconds += CpuSeconds() - start;
    if (!script->ReturnInt(result)) state.SkipWithError("the loop returned nothing");
  }
  if (result != 21) state.SkipWithError("the loop computed something else");
  state.counters["ns_per_turn"] = seconds * 1e9 / (static_cast<double>(state.iterations()) * kTurns);
}

void BM_PureLuaLoop(benchmark::State& state) { PureLuaLoop(state); }
BENCHMARK(BM_PureLuaLoop)->Unit(benchmark::kMillisecond);

#ifdef LUAJIT_VERSION
// The same with LuaJIT's compiler on, which the library keeps off so that
// the interrupt and the watchdog can stop any loop.
void BM_PureLuaLoopCompiled(benchmark::State& state) {
  lua_State* L = Script().L();
  luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | LUAJIT_MODE_ON);
  PureLuaLoop(state);
  luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | LUAJIT_MODE_OFF);
}
BENCHMARK(BM_PureLuaLoopCompiled)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
