// Deferred script calls: CoSleep(ms, file, func) runs func of script file
// about ms milliseconds later, through the timer scheduler, without
// suspending its caller. Internal.
#ifndef TICKBASE_SCRIPT_DEFERRED_CALL_H_
#define TICKBASE_SCRIPT_DEFERRED_CALL_H_

#include <string>

#include "tickbase/script/owned_params.h"
#include "tickbase/timer/timer_obj.h"

// One deferred call, the parameter of its timer.
struct stCoSleepCall {
  std::string file;  // script name
  std::string func;  // global function to call
  unsigned long ms;  // delay
};

// The library's one owner of deferred calls (g_coTimer).
class cCoTimer : public iTimerObjEx {
 public:
  // Schedules RunScriptFileFunc(file, func) ms milliseconds after the timer
  // manager's current clock. Nothing for 0.
  void AddCall(unsigned long ms, const char* file, const char* func);
  // Runs the call of param and frees it; an exception passes on to the
  // timer manager's Run. Returns 0.
  unsigned long OnTimer(unsigned long param) override;

 private:
  cOwnedParams<stCoSleepCall> m_calls;  // scheduled, not yet run
};

extern cCoTimer g_coTimer;

// g_coTimer.AddCall(ms, file, func): the script function CoSleep.
void CoSleep(unsigned long ms, const char* file, const char* func);

#endif  // TICKBASE_SCRIPT_DEFERRED_CALL_H_
