#include "tickbase/script/deferred_call.h"

#include <memory>

#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_runner.h"
#include "tickbase/timer/timer_types.h"

cCoTimer g_coTimer;

void cCoTimer::AddCall(unsigned long ms, const char* file, const char* func) {
  if (ms == 0) return;
  auto call = std::make_unique<stCoSleepCall>();
  call->file = TextOf(file);
  call->func = TextOf(func);
  call->ms = ms;
  AddTimerNext(TimeRange_MS, ms, m_calls.Add(std::move(call)));
}

unsigned long cCoTimer::OnTimer(unsigned long param) {
  const std::unique_ptr<stCoSleepCall> call = m_calls.Take(param);
  if (!call) return 0;
  // An exception passes on to the timer manager's Run; call is freed.
  RunScriptFileFunc(call->file.c_str(), call->func.c_str());
  return 0;
}

void CoSleep(unsigned long ms, const char* file, const char* func) {
  g_coTimer.AddCall(ms, file, func);
}
