#include "tickbase/script/script_yield.h"

#include <cstdint>
#include <deque>
#include <iostream>
#include <iterator>
#include <lua.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "tickbase/diag/console.h"
#include "tickbase/diag/internal_channels.h"
#include "tickbase/diag/log.h"
#include "tickbase/diag/log_format.h"
#include "tickbase/diag/report.h"
#include "tickbase/platform/clock.h"
#include "tickbase/script/current_script.h"
#include "tickbase/script/lua_boundary.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_loader.h"
#include "tickbase/timer/timer_manager.h"
#include "tickbase/timer/timer_types.h"

namespace {

// The live object, for the close hook of states that outlive it at exit.
cScriptYieldTimer* g_yieldTimer = nullptr;

// Its address is the registry key of a state's close hook.
const char kStateHookKey = 0;

// The registry block of a state that has paused a thread. Lua finalises it
// when the state closes, and only then, since the registry keeps it.
struct stStateHook {
  void* timer;  // the state's cStateTimer, null until made and after close
  int anchors;  // registry reference of the state's anchor table
  bool closed;
};

// A paused thread's timer parameter is the thread itself where unsigned
// long holds a pointer. On 64-bit Windows it has 32 bits: there each entry
// gets a number instead.
constexpr bool kParamIsPointer = sizeof(unsigned long) >= sizeof(lua_State*);
// Those numbers have the top bit set, apart from the small numbers of the
// batches' own timers (a crash report names either by its param alone).
constexpr unsigned long kThreadNumberBit = 1UL << 31;

// "script.yield", written a few times per wake-up when on.
const cTraceChannel g_traces(script_yield());

// The time of trace lines written with only library code between them: one
// reading serves them all, since they lie nanoseconds apart and the log
// clock steps in milliseconds. Script code or the host may run for any
// time, so wherever control comes back from them the reading is dropped.
class cTraceClock {
 public:
  spdlog::log_clock::time_point Now() {
    if (!m_read) {
      m_time = platform::LogTime();
      m_read = true;
    }
    return m_time;
  }
  void Drop() { m_read = false; }

 private:
  spdlog::log_clock::time_point m_time;
  bool m_read = false;
};
cTraceClock g_traceClock;

void Write(std::string_view text) { g_traces.Write(g_traceClock.Now(), text.data(), text.size()); }

// The report of an exception that escaped a woken coroutine.
void ReportWakeException(const std::string& name, unsigned long param) {
  const std::string line =
      "cScriptYieldTimer::OnTimer " + name + " timer " + std::to_string(param) + " ON exception";
  cColorScope color(kColorError, kColorNormal, std::cout);
  std::cout << line << std::endl;
  if (g_traces.Enabled()) {
    g_traceClock.Drop();  // script code ran up to here
    Write("exception");
  }
  cLogMessage message(quenlet_fetalerror(), kLogLevel);
  if (std::ostream* os = message.stream()) *os << line << '\n';
}

int YieldSleepBody(lua_State* L) {
  if (!lua_isnumber(L, 1)) {
    cColorScope color(kColorError, kColorNormal, std::cout);
    std::cout << "YieldSleep param error" << std::endl;
    return 0;
  }
  const int ms = TruncateToInt(lua_tonumber(L, 1));
  return cScriptYieldTimer::Instance().AddYieldSleep(L, ms, FileName());
}

// LuaBoundary hands the body's result back, so the yield's result reaches
// Lua from this function itself, as lua_yield requires.
int YieldSleep(lua_State* L) { return LuaBoundary(L, &YieldSleepBody); }

int ClearThreadBody(lua_State* L) {
  if (lua_type(L, 1) == LUA_TTHREAD) cScriptYieldTimer::Instance().ClearThread(lua_tothread(L, 1));
  return 0;
}

int ClearThread(lua_State* L) { return LuaBoundary(L, &ClearThreadBody); }

const Tlua_Funcs kYieldFuncs[] = {
    {"YieldSleep", &YieldSleep},
    {"ClearThread", &ClearThread},
    {"", nullptr},
};

}  // namespace

// The timer owner of one Lua state. Its handle carries the wake-ups of the
// state's threads, so closing the state abandons them all at once: a stale
// wake-up can never reach a thread that happens to reuse a freed address.
class cScriptYieldTimer::cStateTimer : public iTimerObjEx {
 public:
  cStateTimer(cScriptYieldTimer& owner, int anchors) : m_anchors(anchors), m_owner(owner) {}

  // A batch's timer (param: its number), or one of its pauses that the
  // batch dispatches (param: the thread).
  unsigned long OnTimer(unsigned long param) override {
    if (stPause* pause = m_dispatched) {
      m_dispatched = nullptr;  // taken: a batch fired inside the wake-up is a batch
      m_owner.Wake(pause->thread, *pause, true);
    } else {
      m_owner.FireBatch(*this, param);
    }
    return 0;
  }
  bool ReportToStream(std::ostream& os, unsigned long param) override {
    return m_owner.ReportPause(os, param);
  }

  // A free batch, with room to give it back without allocating. Returns
  // its index.
  unsigned NewBatch() {
    if (!m_freeBatches.empty()) {
      const unsigned index = m_freeBatches.back();
      m_freeBatches.pop_back();
      return index;
    }
    if (m_freeBatches.capacity() <= m_batches.size()) {
      m_freeBatches.reserve(2 * m_freeBatches.capacity() + 16);
    }
    m_batches.emplace_back();
    return static_cast<unsigned>(m_batches.size() - 1);
  }

  // Pauses due at one time whose timers would have been queued one right
  // after another, in that order; their timer's param is the index + 1. A
  // deque keeps each in place while pauses woken from one open others.
  struct stBatch {
    std::vector<stPause*> pauses;
    bool pending = false;  // its timer is queued or stored
  };
  std::deque<stBatch> m_batches;
  std::vector<unsigned> m_freeBatches;  // capacity >= m_batches.size()
  stPause* m_dispatched = nullptr;      // the pause its batch dispatches now

  stPause* m_first = nullptr;  // the state's threads with an entry or a wake-up
  // The anchor table (a registry reference of the state): slot -> thread.
  // Slots are handed out here, so anchoring costs one array store rather
  // than luaL_ref's search for the table's length.
  const int m_anchors;
  int m_slots = 0;               // slots ever used
  std::vector<int> m_freeSlots;  // capacity m_slots: a release never throws

 private:
  cScriptYieldTimer& m_owner;
};

void RegisterFunc_Yield(lua_State* L) { RegisterScript(L, kYieldFuncs); }

void Help_Yield() {}

cScriptYieldTimer& cScriptYieldTimer::Instance() {
  static cScriptYieldTimer timer;
  return timer;
}

cScriptYieldTimer::cScriptYieldTimer() { g_yieldTimer = this; }

cScriptYieldTimer::~cScriptYieldTimer() {
  g_yieldTimer = nullptr;
  // Anchors left in states that close later are freed with those states.
  m_threads.clear();
  m_numbered.clear();
  m_states.clear();
}

int cScriptYieldTimer::AddYieldSleep(lua_State* L, int ms, const char* file) {
  file = TextOf(file);
  stPause* pause = L == m_wakingThread ? m_wakingPause : nullptr;
  if (!pause) {
    // Made before any Lua call: a memory error raised there unwinds by
    // longjmp and must find no C++ object alive.
    const auto made = m_threads.try_emplace(L);
    pause = &made.first->second;
    pause->thread = L;
    if (made.second) pause->param = NewParam(L);
  }
  TracePause(*pause, ms, file);
  if (pause->anchor == 0) {
    // Not anchored: new, or left by a collected thread at this address,
    // perhaps of another state. An anchored entry is this very thread's.
    cStateTimer* state = StateTimerOf(L);
    if (!state) {  // the state is closing: no pause
      if (!pause->state) Drop(m_threads.find(L));
      return 0;
    }
    if (pause->state != state) Link(*pause, state);
    Anchor(L, *pause);
  }
  // Only allocation failures throw here; the anchor then stays, unused,
  // until the thread pauses again or its state closes. A woken thread's
  // file is, as a rule, its entry's own text.
  if (file != pause->file.c_str() && pause->file != file) {
    pause->file = file;
    pause->lines.reset();
  }
  Schedule(*pause, ms, file);
  pause->wanted = true;
  const int yielded = lua_yield(L, 0);
  // lua_yield returned: L yields now, before any other code runs.
  m_yieldedThread = L;
  return yielded;
}

void cScriptYieldTimer::Schedule(stPause& pause, int ms, const char* file) {
  cStateTimer& state = *pause.state;
  // A negative delay is due at once, like 0.
  const unsigned long delay = ms < 0 ? 0UL : static_cast<unsigned long>(ms);
  cTimerManager& manager = cTimerManager::Instance();
  const auto due = static_cast<std::uint32_t>(manager.GetMSTime() + delay);
  // A batch takes the pause only while the pause's own timer would have
  // been queued right behind the batch's last one: then both come due
  // together and nothing fires between them.
  if (manager.QueueMark() != m_openMark) m_open.clear();
  unsigned index = 0;
  bool open = false;
  for (auto it = m_open.begin(); it != m_open.end(); ++it) {
    if (it->due != due) continue;
    if (it->state == &state) {
      index = it->batch;
      open = true;
    } else {
      m_open.erase(it);  // another state's: a new timer comes after it
    }
    break;
  }
  if (!open) {
    index = state.NewBatch();
    state.AddTimerNext(TimeRange_MS, delay, index + 1UL, file);
    state.m_batches[index].pending = true;
    m_open.push_back(stOpenBatch{&state, due, index});
    m_openMark = manager.QueueMark();
  }
  state.m_batches[index].pauses.push_back(&pause);
  ++pause.pending;
}

unsigned long cScriptYieldTimer::OnTimer(unsigned long param) {
  g_traceClock.Drop();  // called by the host or a script
  const auto it = m_threads.find(ThreadOf(param));
  // Without its anchor the thread may be gone.
  if (param == 0 || it == m_threads.end() || it->second.anchor == 0) return 0;
  Wake(it->first, it->second, false);
  return 0;
}

void cScriptYieldTimer::FireBatch(cStateTimer& state, unsigned long param) {
  if (param == 0 || param > state.m_batches.size()) return;
  const auto index = static_cast<unsigned>(param - 1);
  cStateTimer::stBatch& batch = state.m_batches[index];
  if (!batch.pending) return;
  batch.pending = false;
  g_traceClock.Drop();  // called from the host's tick
  cTimerObj* handle = state.GetTimerObj();  // the map holds it while it fires
  // Every pause is counted in its entry until it is dispatched; should a
  // dispatch throw, the rest are settled without a wake-up.
  std::size_t next = 0;
  struct cFinish {
    cScriptYieldTimer& owner;
    cStateTimer& state;
    cStateTimer::stBatch& batch;
    unsigned index;
    std::size_t& next;
    ~cFinish() {
      state.m_dispatched = nullptr;
      for (; next < batch.pauses.size(); ++next) {
        stPause& pause = *batch.pauses[next];
        owner.Settle(pause.thread, pause);
      }
      batch.pauses.clear();
      state.m_freeBatches.push_back(index);  // reserved: never throws
    }
  } finish{*this, state, batch, index, next};
  while (next < batch.pauses.size()) {
    stPause* pause = batch.pauses[next++];
    state.m_dispatched = pause;
    handle->OnTimer(pause->param);
    state.m_dispatched = nullptr;
  }
}

void cScriptYieldTimer::Wake(lua_State* thread, stPause& pause, bool fromTimer) {
  // Cleared, or not suspended in a yield: YieldSleep outside a coroutine,
  // or a coroutine that went on (or ended) through another resume.
  if (!pause.wanted || lua_status(thread) != LUA_YIELD) {
    pause.wanted = false;
    if (fromTimer) Settle(thread, pause);
    return;
  }
  TraceWake(pause);
  const unsigned long param = pause.param;
  {
    // A pending wake-up keeps the entry, so its file can stay current while
    // the coroutine runs (its next pause writes the same text); a direct
    // call has no such hold and runs under a copy.
    const std::string copy = fromTimer ? std::string() : pause.file;
    const std::string& name = fromTimer ? pause.file : copy;
    cFileName file(name);
    lua_State* const outerThread = m_wakingThread;
    stPause* const outerPause = m_wakingPause;
    m_wakingThread = thread;
    m_wakingPause = &pause;
    m_yieldedThread = nullptr;
    try {
      lua_State* co = thread;
      my_lua_resume(co);
      if (g_traces.Enabled()) {
        // Unless the run ended in a traced pause of this thread, which read
        // the clock last, script code ran after the last reading.
        if (m_yieldedThread != thread) g_traceClock.Drop();
        Write("ok");
      }
    } catch (...) {
      ReportWakeException(name, param);
    }
    m_wakingThread = outerThread;
    m_wakingPause = outerPause;
  }
  // pause is still valid: the pending count held it, and its state cannot
  // close while one of its coroutines runs.
  if (fromTimer) Settle(thread, pause);
}

void cScriptYieldTimer::TracePause(stPause& pause, int ms, const char* file) {
  if (!g_traces.Enabled()) return;
  g_traceClock.Drop();  // script code ran up to here
  try {
    // The same while the thread pauses for as long in its entry's file.
    const bool kept = file == pause.file.c_str() || pause.file == file;
    stTraceLines* lines = pause.lines.get();
    if (kept && lines && lines->ms == ms && !lines->pause.empty()) {
      Write(lines->pause);
      return;
    }
    fmt::basic_memory_buffer<char, 256> text;
    fmt::format_to(std::back_inserter(text), FMT_COMPILE("cScriptYieldTimer::AddYieldSleep {} {} {}"),
                   pause.param, ms, file);
    Write(std::string_view(text.data(), text.size()));
    if (!kept) return;
    if (!lines) pause.lines = std::make_unique<stTraceLines>();
    pause.lines->pause.assign(text.data(), text.size());
    pause.lines->ms = ms;
  } catch (...) {
    // Tracing must never take a pause down.
  }
}

void cScriptYieldTimer::TraceWake(stPause& pause) {
  if (!g_traces.Enabled()) return;
  try {
    stTraceLines* lines = pause.lines.get();
    if (lines && !lines->wake.empty()) {
      Write(lines->wake);
      return;
    }
    fmt::basic_memory_buffer<char, 256> text;
    fmt::format_to(std::back_inserter(text), FMT_COMPILE("cScriptYieldTimer::OnTimer {} timer {}"),
                   pause.file, pause.param);
    Write(std::string_view(text.data(), text.size()));
    if (!lines) pause.lines = std::make_unique<stTraceLines>();
    pause.lines->wake.assign(text.data(), text.size());
  } catch (...) {
    // Tracing must never take a wake-up down.
  }
}

void cScriptYieldTimer::Anchor(lua_State* L, stPause& pause) {
  cStateTimer& state = *pause.state;
  int slot;
  if (state.m_freeSlots.empty()) {
    std::vector<int>& free = state.m_freeSlots;
    // The only step that throws. Doubling: reserve alone grows by one.
    if (free.capacity() <= static_cast<size_t>(state.m_slots)) {
      free.reserve(2 * free.capacity() + 16);
    }
    slot = ++state.m_slots;
  } else {
    slot = state.m_freeSlots.back();
    state.m_freeSlots.pop_back();
  }
  lua_rawgeti(L, LUA_REGISTRYINDEX, state.m_anchors);
  lua_pushthread(L);
  lua_rawseti(L, -2, slot);
  lua_pop(L, 1);
  pause.anchor = slot;
}

void cScriptYieldTimer::Release(lua_State* thread, stPause& pause) {
  if (pause.anchor == 0) return;
  cStateTimer& state = *pause.state;
  // Clearing a slot that exists allocates nothing: no Lua error here.
  lua_rawgeti(thread, LUA_REGISTRYINDEX, state.m_anchors);
  lua_pushnil(thread);
  lua_rawseti(thread, -2, pause.anchor);
  lua_pop(thread, 1);
  state.m_freeSlots.push_back(pause.anchor);
  pause.anchor = 0;
}

void cScriptYieldTimer::Settle(lua_State* thread, stPause& pause) {
  if (--pause.pending > 0) return;
  // The last wake-up is done: the thread may be collected from now on.
  Release(thread, pause);
  if (!pause.wanted) Erase(thread);
}

bool cScriptYieldTimer::ClearThread(lua_State* co) {
  const auto it = m_threads.find(co);
  if (it == m_threads.end() || !it->second.wanted) return false;
  stPause& pause = it->second;
  pause.wanted = false;
  // With wake-ups pending, the last one to fire erases the entry.
  if (pause.pending > 0) return true;
  Release(co, pause);  // left by a pause that failed
  Erase(co);
  return true;
}

size_t cScriptYieldTimer::GetSleepingCount() const {
  size_t count = 0;
  for (const auto& entry : m_threads) {
    if (entry.second.wanted && entry.second.pending > 0) ++count;
  }
  return count;
}

cScriptYieldTimer::cStateTimer* cScriptYieldTimer::StateTimerOf(lua_State* L) {
  // Threads of one state share its registry: its address names the state.
  const void* registry = lua_topointer(L, LUA_REGISTRYINDEX);
  if (registry == m_lastRegistry) return m_lastState;
  lua_pushlightuserdata(L, const_cast<char*>(&kStateHookKey));
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* hook = static_cast<stStateHook*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (!hook) {
    lua_newtable(L);
    const int anchors = luaL_ref(L, LUA_REGISTRYINDEX);
    hook = static_cast<stStateHook*>(lua_newuserdata(L, sizeof(stStateHook)));
    hook->timer = nullptr;
    hook->anchors = anchors;
    hook->closed = false;
    lua_createtable(L, 0, 1);
    lua_pushcfunction(L, &cScriptYieldTimer::OnStateClosed);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_pushlightuserdata(L, const_cast<char*>(&kStateHookKey));
    lua_insert(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  if (hook->closed) return nullptr;
  if (!hook->timer) {
    auto timer = std::make_unique<cStateTimer>(*this, hook->anchors);
    cStateTimer* raw = timer.get();
    m_states.emplace(raw, std::move(timer));
    hook->timer = raw;
  }
  m_lastRegistry = registry;
  m_lastState = static_cast<cStateTimer*>(hook->timer);
  return m_lastState;
}

int cScriptYieldTimer::OnStateClosed(lua_State* L) {
  // Runs inside lua_close, while the state is still whole.
  return LuaBoundary(L, [](lua_State* closing) -> int {
    auto* hook = static_cast<stStateHook*>(lua_touserdata(closing, 1));
    if (!hook || hook->closed) return 0;
    hook->closed = true;
    auto* timer = static_cast<cStateTimer*>(hook->timer);
    hook->timer = nullptr;
    if (timer && g_yieldTimer) g_yieldTimer->ForgetState(timer);
    return 0;
  });
}

void cScriptYieldTimer::ForgetState(cStateTimer* timer) {
  // The threads and their anchors go with the state; nothing is touched.
  for (auto it = m_open.begin(); it != m_open.end();) {
    it = it->state == timer ? m_open.erase(it) : it + 1;
  }
  if (timer == m_lastState) {
    m_lastRegistry = nullptr;  // a new state may get this registry's address
    m_lastState = nullptr;
  }
  for (stPause* pause = timer->m_first; pause;) {
    stPause* next = pause->next;
    if (pause == m_wakingPause) {
      m_wakingThread = nullptr;
      m_wakingPause = nullptr;
    }
    Drop(m_threads.find(pause->thread));
    pause = next;
  }
  // The owner gives its handle up: the state's queued wake-ups do nothing.
  m_states.erase(timer);
}

void cScriptYieldTimer::Link(stPause& pause, cStateTimer* state) {
  Unlink(pause);
  pause.state = state;
  pause.next = state->m_first;
  if (pause.next) pause.next->prev = &pause;
  state->m_first = &pause;
}

void cScriptYieldTimer::Erase(lua_State* thread) {
  const auto it = m_threads.find(thread);
  if (it == m_threads.end()) return;
  Unlink(it->second);
  Drop(it);
}

void cScriptYieldTimer::Drop(tThreads::iterator it) {
  if (!kParamIsPointer) m_numbered.erase(it->second.param);
  m_threads.erase(it);
}

unsigned long cScriptYieldTimer::NewParam(lua_State* thread) {
  if (kParamIsPointer) return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(thread));
  do {
    m_lastNumber = (m_lastNumber + 1) | kThreadNumberBit;
  } while (m_numbered.count(m_lastNumber) != 0);
  m_numbered.emplace(m_lastNumber, thread);
  return m_lastNumber;
}

lua_State* cScriptYieldTimer::ThreadOf(unsigned long param) const {
  if (kParamIsPointer) return reinterpret_cast<lua_State*>(static_cast<std::uintptr_t>(param));
  const auto it = m_numbered.find(param);
  return it == m_numbered.end() ? nullptr : it->second;
}

void cScriptYieldTimer::Unlink(stPause& pause) {
  if (!pause.state) return;
  if (pause.prev) {
    pause.prev->next = pause.next;
  } else {
    pause.state->m_first = pause.next;
  }
  if (pause.next) pause.next->prev = pause.prev;
  pause.state = nullptr;
  pause.prev = pause.next = nullptr;
}

bool cScriptYieldTimer::ReportPause(std::ostream& os, unsigned long param) const {
  const auto it = m_threads.find(ThreadOf(param));
  if (it == m_threads.end()) return false;
  os << "cScriptYieldTimer thread " << param << " file " << it->second.file;
  return true;
}
