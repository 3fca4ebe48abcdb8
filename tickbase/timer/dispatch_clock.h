// The ms clock readings that time the scheduler's callbacks and service
// runs. Timing a callback takes a reading before the call and one after. A
// tick reads the clock when it starts; from then on, a reading taken after
// one callback also serves as the reading before the next, since only the
// scheduler's own bookkeeping runs in between. A tick then costs one reading
// per callback, and none beyond its start when nothing fires. A step that may
// take long between two callbacks (growing or rebuilding a container) calls
// NoteSlowStep, so the next start is read afresh. Single-threaded. Internal.
#ifndef TICKBASE_TIMER_DISPATCH_CLOCK_H_
#define TICKBASE_TIMER_DISPATCH_CLOCK_H_

#include "tickbase/platform/clock.h"

class cDispatchClock {
 public:
  // Chains readings while it lives, starting with reading, one just taken.
  // An enclosing chain (a callback that runs a tick) goes on unchained:
  // every timing then takes its own readings.
  explicit cDispatchClock(DWORD reading) {
    s_state.chaining = true;
    s_state.fresh = true;
    s_state.last = reading;
  }
  ~cDispatchClock() {
    s_state.chaining = false;
    s_state.fresh = false;
  }
  cDispatchClock(const cDispatchClock&) = delete;
  cDispatchClock& operator=(const cDispatchClock&) = delete;

  static bool Chaining() { return s_state.chaining; }
  // A reading to start timing from.
  static DWORD Start() { return s_state.fresh ? s_state.last : Stop(); }
  // A reading taken now; a chain starts the next timing from it.
  static DWORD Stop() {
    const DWORD now = timeGetTime();
    s_state.last = now;
    s_state.fresh = s_state.chaining;
    return now;
  }
  static void NoteSlowStep() {
    s_state.fresh = false;
    ++s_state.slowSteps;
  }
  // Counts NoteSlowStep calls, so a timing can tell that one came.
  static unsigned SlowSteps() { return s_state.slowSteps; }

 private:
  struct stState {
    bool chaining;
    bool fresh;  // last may start a timing
    DWORD last;
    unsigned slowSteps;
  };
  static stState s_state;
};

#endif  // TICKBASE_TIMER_DISPATCH_CLOCK_H_
