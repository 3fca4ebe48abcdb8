#include "tickbase/script/script_interrupt.h"

#include <climits>
#include <lua.hpp>

#include "tickbase/script/script_context.h"
#include "tickbase/script/script_run.h"

namespace script_run {

std::atomic<lua_State*> g_running{nullptr};
std::atomic<bool> g_interrupted{false};
int g_depth = 0;
DWORD g_watchdogMs = 0;
DWORD g_started = 0;
bool g_overdue = false;

}  // namespace script_run

namespace {

using namespace script_run;

// A stop hook fires at the next instruction, call or return, as the
// standalone interpreter's does.
constexpr int kStopMask = LUA_MASKCALL | LUA_MASKRET | LUA_MASKCOUNT;
// Instructions between two looks at the clock: some tens of microseconds.
constexpr int kCheckCount = 10000;

void Hook(lua_State* L, lua_Debug*) {
  // Only code run for the library stops; a host's own pcall or a finaliser
  // run by lua_close goes on.
  if (g_depth > 0) {
    const bool interrupted = g_interrupted.load(std::memory_order_relaxed);
    if (!interrupted && g_watchdogMs != 0 && !g_overdue &&
        static_cast<DWORD>(timeGetTime() - g_started) > g_watchdogMs) {
      g_overdue = true;
    }
    if (interrupted || g_overdue) {
      // Every later instruction fails as well, so a script's pcall cannot
      // keep the loop going. No C++ object is alive here: lua_error jumps.
      lua_sethook(L, Hook, kStopMask, 1);
      luaL_where(L, 0);
      if (interrupted) {
        lua_pushfstring(L, "script %s func %s interrupted", FileName(), FuncName());
      } else {
        lua_pushfstring(L, "script %s func %s ran longer than %d ms", FileName(), FuncName(),
                        static_cast<int>(g_watchdogMs));
      }
      lua_concat(L, 2);
      lua_error(L);
    }
  }
  // Nothing to stop: back to the watchdog's periodic check, or no hook.
  if (lua_gethookmask(L) != kStopMask) return;
  if (g_watchdogMs != 0) {
    lua_sethook(L, Hook, LUA_MASKCOUNT, kCheckCount);
  } else {
    lua_sethook(L, nullptr, 0, 0);
  }
}

}  // namespace

namespace script_run {

void Arm(lua_State* L) {
  if (g_overdue || g_interrupted.load(std::memory_order_relaxed)) {
    lua_sethook(L, Hook, kStopMask, 1);
  } else if (g_watchdogMs != 0) {
    lua_sethook(L, Hook, LUA_MASKCOUNT, kCheckCount);
  }
}

}  // namespace script_run

void InterruptScripts() {
  // lua_sethook only stores a few fields of the thread: safe in a handler,
  // as the standalone interpreter relies on.
  g_interrupted.store(true, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (lua_State* L = g_running.load(std::memory_order_relaxed)) {
    lua_sethook(L, Hook, kStopMask, 1);
  }
}

void ClearScriptInterrupt() { g_interrupted.store(false, std::memory_order_relaxed); }

bool ScriptsInterrupted() { return g_interrupted.load(std::memory_order_relaxed); }

void SetScriptWatchdog(unsigned long ms) {
  // Turned on inside a run: that run's time counts from now.
  if (g_watchdogMs == 0 && g_depth > 0) g_started = timeGetTime();
  g_watchdogMs = static_cast<DWORD>(ms > INT_MAX ? INT_MAX : ms);
}

unsigned long GetScriptWatchdog() { return g_watchdogMs; }
