#include "status.h"

#include "steady_tick.h"
#include "tickbase/tickbase.h"

void WriteStatus(std::ostream& os, const cSteadyTick& tick, double uptimeSeconds) {
  os << "status: up " << uptimeSeconds << " s, " << tick.ticks() << " ticks of " << tick.period()
     << " ms, " << tick.overruns() << " overran, longest " << tick.longestMs() << " ms\n";
  os << "timers (map/patch/list):";
  for (int r = 0; r < TimeRange_Max; ++r) {
    const cTimerRange* range = cTimerManager::Instance().GetRange(static_cast<TimeRange>(r));
    os << ' ' << kTimeRangeNames[r] << ' ' << range->GetTimerCount(Timer_Map) << '/'
       << range->GetTimerCount(Timer_Patch) << '/' << range->GetTimerCount(Timer_List);
  }
  os << "\ncoroutines sleeping: " << cScriptYieldTimer::Instance().GetSleepingCount() << '\n';
  // One line per loaded script with its Lua memory in kilobytes.
  cScriptManager::Instance().TraceGC(os);
}
