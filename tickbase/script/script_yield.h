// Script coroutines that sleep on the timer scheduler.
//
// A host starts a script function as a coroutine with
// cScriptManager::NewThread. Inside it the script calls YieldSleep(ms) to
// pause; the library-wide cScriptYieldTimer schedules a one-shot timer and,
// when it fires, continues the coroutine where it paused. ClearThread(co)
// cancels the pending wake-up of a paused coroutine for good.
//
// A wake-up belongs to the thread, not to one pause: whenever a timer of a
// thread fires while the thread has an entry, the thread is continued. An
// entry is written by every pause, stays after a wake-up and is removed by
// ClearThread. The library keeps every thread with a pending wake-up alive
// (a registry reference from its pause until its last timer has fired),
// continues only threads that are suspended in a yield, and forgets the
// threads of a Lua state when that state is closed, so no wake-up ever
// touches freed memory. Host thread only.
#ifndef TICKBASE_SCRIPT_SCRIPT_YIELD_H_
#define TICKBASE_SCRIPT_SCRIPT_YIELD_H_

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "tickbase/export.h"
#include "tickbase/timer/timer_obj.h"

struct lua_State;

// Continues the paused coroutine thread with no values. Returns 1 when it
// paused again (thread unchanged) or finished (thread set to null); 0 when
// it raised an error (reported with lua_report_error and empty names;
// thread set to null), for a null thread, and for a thread that is not
// suspended in a yield (nothing is touched then).
TICKBASE_API int my_lua_resume(lua_State*& thread);

// Registers the globals YieldSleep(ms) and ClearThread(co) into L. For the
// host's bind function.
TICKBASE_API void RegisterFunc_Yield(lua_State* L);

// Does nothing; referencing it keeps this part of the library linked.
TICKBASE_API void Help_Yield();

// The library's keeper of paused coroutines. Its wake-ups run on one timer
// owner per Lua state (so a closed state's wake-ups die with it); this
// object's own handle carries none. Pauses of one state that are due at the
// same time and would have queued their timers one right after another
// share one timer, which dispatches each pause in turn as a timer of its own
// would fire: same order, each timed and named in crash reports by itself.
class TICKBASE_API cScriptYieldTimer : public iTimerObjEx {
 public:
  // The one object, made on first use and destroyed at process exit.
  static cScriptYieldTimer& Instance();
  ~cScriptYieldTimer() override;

  // Schedules the wake-up of coroutine L ms milliseconds after the timer
  // manager's current clock, records L with file (the current script file)
  // and yields L. Writes a trace to "script.yield". Requires: called from a
  // C function running on L, which must return this result. When L cannot
  // be suspended, Lua raises its error in the calling script after the
  // wake-up was recorded; that wake-up later does nothing.
  int AddYieldSleep(lua_State* L, int ms, const char* file);

  // Continues paused thread param now, as its wake-up would (a thread's
  // param is its lua_State* where unsigned long holds a pointer, else a
  // number given to its entry; the traces of its pauses name it):
  // the script file of its pause is the current file while it runs, traces
  // go to "script.yield", and an escaping exception is reported rather than
  // passed on. Does nothing for 0, for a thread without an entry, and for
  // one without a pending wake-up (the library then cannot vouch that it is
  // alive); a thread not suspended in a yield loses its entry. Returns 0.
  unsigned long OnTimer(unsigned long param) override;

  // Removes the entry of thread co: its pending wake-up will do nothing.
  // False when it has none.
  bool ClearThread(lua_State* co);

  // Coroutines paused with a wake-up pending and not cleared.
  size_t GetSleepingCount() const;

 private:
  class cStateTimer;

  // A thread's trace lines, kept while they stay the same: made only while
  // "script.yield" takes messages.
  struct stTraceLines {
    std::string pause;  // of a pause for ms milliseconds; empty for none
    int ms = 0;
    std::string wake;  // of a wake-up; empty for none
  };
  // One thread's entry and wake-up bookkeeping.
  struct stPause {
    lua_State* thread = nullptr;  // the key, for walks of a state's list
    std::string file;             // script file recorded at the last pause
    cStateTimer* state = nullptr;
    stPause* prev = nullptr;  // the state's list of its threads
    stPause* next = nullptr;
    int anchor = 0;        // slot in the state's anchor table, 0 for none; held
                           // while pending > 0, and after a pause that failed
    unsigned pending = 0;  // wake-ups scheduled and not yet settled
    bool wanted = false;   // has an entry: a firing timer continues the thread
    unsigned long param = 0;  // the timer parameter that names the thread
    std::unique_ptr<stTraceLines> lines;  // for file; null until traced
  };
  // A batch of one state whose timer is queued and may still take pauses:
  // nothing has been queued since but other batches' timers of other due
  // times.
  struct stOpenBatch {
    cStateTimer* state;
    std::uint32_t due;
    unsigned batch;
  };
  using tThreads = std::unordered_map<lua_State*, stPause>;

  cScriptYieldTimer();

  // The timer owner of L's Lua state, made at the state's first pause; null
  // while the state is being closed or when none can be made.
  cStateTimer* StateTimerOf(lua_State* L);
  // Puts pause on state's list, taking it off another's.
  static void Link(stPause& pause, cStateTimer* state);
  // Write the trace line of a pause of ms milliseconds in file, and of a
  // wake-up, when "script.yield" takes messages. Never throw.
  static void TracePause(stPause& pause, int ms, const char* file);
  static void TraceWake(stPause& pause);
  // Schedules the wake-up of pause ms milliseconds from the manager's clock.
  void Schedule(stPause& pause, int ms, const char* file);
  // Fires batch param of state: each of its pauses is dispatched as a timer
  // of its own would be.
  void FireBatch(cStateTimer& state, unsigned long param);
  // Continues a woken thread, then settles the fired timer when fromTimer.
  void Wake(lua_State* thread, stPause& pause, bool fromTimer);
  // Keeps the thread of pause alive / lets it go. Anchor requires pause on
  // a state's list and runs on the thread L itself.
  static void Anchor(lua_State* L, stPause& pause);
  static void Release(lua_State* thread, stPause& pause);
  // One wake-up of the thread has fired: the anchor goes with the last one,
  // the entry too when it was cleared.
  void Settle(lua_State* thread, stPause& pause);
  void Erase(lua_State* thread);
  // Removes an entry of m_threads with its parameter.
  void Drop(tThreads::iterator it);
  // The timer parameter of a new entry of thread, and the thread of one.
  unsigned long NewParam(lua_State* thread);
  lua_State* ThreadOf(unsigned long param) const;
  static void Unlink(stPause& pause);
  // The state of timer has closed: its threads are gone.
  void ForgetState(cStateTimer* timer);
  bool ReportPause(std::ostream& os, unsigned long param) const;

  static int OnStateClosed(lua_State* L);

  // Every thread with an entry or a pending wake-up. The key may name a
  // collected thread only while the entry has no wake-up pending.
  tThreads m_threads;
  // Where a parameter cannot hold a pointer (64-bit Windows): the thread of
  // each numbered parameter, and the last number handed out.
  std::unordered_map<unsigned long, lua_State*> m_numbered;
  unsigned long m_lastNumber = 0;
  // One timer owner per Lua state that has paused a thread.
  std::unordered_map<cStateTimer*, std::unique_ptr<cStateTimer>> m_states;
  // At most one per due time, valid while the manager's queue mark is
  // m_openMark.
  std::vector<stOpenBatch> m_open;
  unsigned long long m_openMark = 0;
  // The thread being continued and its entry, so that its next pause (the
  // common case) needs no lookup.
  lua_State* m_wakingThread = nullptr;
  stPause* m_wakingPause = nullptr;
  // The thread whose YieldSleep yielded last.
  lua_State* m_yieldedThread = nullptr;
  // The state of the last pause, by its registry's address.
  const void* m_lastRegistry = nullptr;
  cStateTimer* m_lastState = nullptr;
};

#endif  // TICKBASE_SCRIPT_SCRIPT_YIELD_H_
