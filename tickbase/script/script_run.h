// The record of script code that runs for the library, behind the interrupt
// and the watchdog of script_interrupt.h; internal.
//
// Every place where the library hands control to Lua code holds a cScriptRun
// for the thread that runs it. Runs nest (a script calls a native function
// that calls another script); the innermost one is the thread a signal
// handler hooks. Inline: calling a script function by name is the host's hot
// path, and with the watchdog off a run costs a few plain stores.
#ifndef TICKBASE_SCRIPT_SCRIPT_RUN_H_
#define TICKBASE_SCRIPT_SCRIPT_RUN_H_

#include <atomic>

#include "tickbase/platform/clock.h"

struct lua_State;

namespace script_run {

// Shared with the signal handler: lock-free atomics only.
static_assert(std::atomic<lua_State*>::is_always_lock_free, "signal handlers read the thread");
static_assert(std::atomic<bool>::is_always_lock_free, "signal handlers set the interrupt");
// The innermost running thread; null between runs, so also the mark that a
// run is in progress.
extern std::atomic<lua_State*> g_running;
extern std::atomic<bool> g_interrupted;

// Host thread only.
extern DWORD g_watchdogMs;     // 0: off
extern DWORD g_started;        // millisecond clock at the outermost run's start
extern bool g_overdue;         // the outermost run has passed the watchdog's limit
// Names of the innermost run that gave them, for runs without a current
// function (a coroutine's start sets no guards); null for none.
extern const char* g_file;
extern const char* g_func;

// Hooks L for what is pending: a stop at the next instruction, else the
// watchdog's periodic check.
void Arm(lua_State* L);

}  // namespace script_run

class cScriptRun {
 public:
  explicit cScriptRun(lua_State* L) : m_outer(script_run::g_running.load(std::memory_order_relaxed)) {
    using namespace script_run;
    if (!m_outer) {
      g_overdue = false;
      if (g_watchdogMs != 0) g_started = platform::timeGetTime();
    }
    g_running.store(L, std::memory_order_relaxed);
    // A signal before this point hooks the outer thread; one after it sees L.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (g_watchdogMs != 0 || g_interrupted.load(std::memory_order_relaxed)) Arm(L);
  }
  ~cScriptRun() {
    using namespace script_run;
    g_running.store(m_outer, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    // A stopped inner run stops the one it returns to as well.
    if (m_outer && (g_overdue || g_interrupted.load(std::memory_order_relaxed))) Arm(m_outer);
  }
  cScriptRun(const cScriptRun&) = delete;
  cScriptRun& operator=(const cScriptRun&) = delete;

 private:
  lua_State* m_outer;
};

// A run that names its script and function for the stop messages.
class cNamedScriptRun {
 public:
  cNamedScriptRun(lua_State* L, const char* file, const char* func)
      : m_file(script_run::g_file), m_func(script_run::g_func), m_run(L) {
    script_run::g_file = file;
    script_run::g_func = func;
  }
  ~cNamedScriptRun() {
    script_run::g_file = m_file;
    script_run::g_func = m_func;
  }
  cNamedScriptRun(const cNamedScriptRun&) = delete;
  cNamedScriptRun& operator=(const cNamedScriptRun&) = delete;

 private:
  const char* m_file;
  const char* m_func;
  cScriptRun m_run;
};

#endif  // TICKBASE_SCRIPT_SCRIPT_RUN_H_
