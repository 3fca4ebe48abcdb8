// The timing of one service run, as cService::RunService promises it: a
// frame "cService::RunService" with the service's name as its param, which
// reports a run slower than 100 ms on "quenlet.timererror". It reads no
// clock until the run fires something or takes a slow step, and then one
// reading at its end (see dispatch_clock.h): a run with nothing due costs
// nothing. Internal.
#ifndef TICKBASE_TIMER_SERVICE_TIMING_H_
#define TICKBASE_TIMER_SERVICE_TIMING_H_

#include "tickbase/platform/types.h"

// A service run longer than this is reported.
constexpr DWORD kSlowServiceMs = 100;

class cServiceRunTiming {
 public:
  // name: the service's name, borrowed for the run; null: the run is not
  // timed (cService::Run).
  explicit cServiceRunTiming(const char* name);
  ~cServiceRunTiming();
  cServiceRunTiming(const cServiceRunTiming&) = delete;
  cServiceRunTiming& operator=(const cServiceRunTiming&) = delete;

  // Call before each callback: the frame counts a nesting level from the
  // first one on, as a frame around the whole run would.
  void Open() {
    if (m_name && !m_open) OpenFrame();
  }

 private:
  void OpenFrame();

  const char* m_name;
  DWORD m_start = 0;
  unsigned m_slowSteps = 0;
  bool m_open = false;
};

// The report of a frame that ran elapsed ms, at nesting level level, in
// red: the frame's name, the cost label, elapsed, " param ", param,
// " level ", level.
void ReportSlowFrame(const char* name, unsigned long elapsed, const char* param, int level);

#endif  // TICKBASE_TIMER_SERVICE_TIMING_H_
