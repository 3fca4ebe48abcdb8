#include "tickbase/script/script_interrupt.h"

#include <climits>
#include <lua.hpp>

#include "tickbase/script/script_context.h"
#include "tickbase/script/script_run.h"

namespace script_run {

std::atomic<lua_State*> g_running{nullptr};
std::atomic<bool> g_interrupted{false};
DWORD g_watchdogMs = 0;
DWORD g_started = 0;
bool g_overdue = false;
const char* g_file = nullptr;
const char* g_func = nullptr;

}  // namespace script_run

namespace {

using namespace script_run;

// A stop hook fires at the next instruction, call or return, as the
// standalone interpreter's does.
constexpr int kStopMask = LUA_MASKCALL | LUA_MASKRET | LUA_MASKCOUNT;
// Instructions between two looks at the clock: some tens of microseconds.
constexpr int kCheckCount = 10000;

// The name under which the globals hold the function that ar describes, or
// null. The name stays on L's stack.
const char* GlobalNameOf(lua_State* L, lua_Debug* ar) {
  if (!lua_getinfo(L, "f", ar)) return nullptr;
  lua_pushnil(L);
  while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
    if (lua_type(L, -2) == LUA_TSTRING && lua_rawequal(L, -1, -3)) {
      lua_pop(L, 1);
      return lua_tostring(L, -1);
    }
    lua_pop(L, 1);
  }
  return nullptr;
}

// Pushes "<where>script <file> func <func> <what>". Coroutines run without
// a current function, and a started one without a current file: the run or
// else Lua names them.
void PushStopMessage(lua_State* L, const char* what) {
  // The Lua function running, or calling the native one that runs.
  lua_Debug ar;
  int level = 0;
  if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "S", &ar) && *ar.what == 'C' &&
      lua_getstack(L, 1, &ar) && lua_getinfo(L, "S", &ar)) {
    level = 1;
  }
  const bool known = lua_getstack(L, level, &ar) && lua_getinfo(L, "Sn", &ar);
  const char* file = *FileName() ? FileName() : g_file;
  const char* func = *FuncName() ? FuncName() : g_func;
  if (!file && known) file = ar.short_src;
  if (!func && known) func = ar.name ? ar.name : GlobalNameOf(L, &ar);
  luaL_where(L, level);
  lua_pushfstring(L, "script %s func %s %s", file ? file : "?", func ? func : "?", what);
  lua_concat(L, 2);
}

void Hook(lua_State* L, lua_Debug*) {
  // Only code run for the library stops; a host's own pcall or a finaliser
  // run by lua_close goes on.
  if (g_running.load(std::memory_order_relaxed)) {
    const bool interrupted = g_interrupted.load(std::memory_order_relaxed);
    if (!interrupted && g_watchdogMs != 0 && !g_overdue &&
        static_cast<DWORD>(platform::timeGetTime() - g_started) > g_watchdogMs) {
      g_overdue = true;
    }
    if (interrupted || g_overdue) {
      // Every later instruction fails as well, so a script's pcall cannot
      // keep the loop going. No C++ object is alive here: lua_error jumps.
      lua_sethook(L, Hook, kStopMask, 1);
      if (interrupted) {
        PushStopMessage(L, "interrupted");
      } else {
        lua_pushfstring(L, "ran longer than %d ms", static_cast<int>(g_watchdogMs));
        PushStopMessage(L, lua_tostring(L, -1));
      }
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
  if (g_watchdogMs == 0 && g_running.load(std::memory_order_relaxed)) g_started = platform::timeGetTime();
  g_watchdogMs = static_cast<DWORD>(ms > INT_MAX ? INT_MAX : ms);
}

unsigned long GetScriptWatchdog() { return g_watchdogMs; }
