#include "tickbase/timer/service.h"

#include <typeinfo>
#include <utility>

#include "tickbase/timer/current_timer.h"
#include "tickbase/timer/dispatch_clock.h"
#include "tickbase/timer/service_timing.h"
#include "tickbase/timer/timer_obj.h"
#include "tickbase/timer/timing_scope.h"

cService::cService(std::string name) : m_name(std::move(name)) {}

cService::~cService() = default;

void cService::OnOverflow(unsigned long) {}

void cService::Prefetch(const cTimerObj*, unsigned long) const {}

void cService::RunService(unsigned long units, unsigned long now) {
  if (cDispatchClock::Chaining()) {
    Dispatch(units, now, true);
    return;
  }
  cDispatchClock chain(platform::timeGetTime());
  Dispatch(units, now, true);
}

void cService::Dispatch(unsigned long units, unsigned long now, bool timed) {
  if (!timed) {
    Run(units, now);
    return;
  }
  cTimerFunctionFrame frame("cService::RunService", m_name.c_str(), kSlowServiceMs, 1);
  Run(units, now);
}

void cService::ReportCrashToStream(std::ostream& os) const {
  os << "cService::ReportCrashToStream" << ' ' << m_name << std::endl;
  if (!g_curTimerObj) {
    os << "no itimerobj " << std::endl;
    return;
  }
  os << "cur itimerobj " << CachedTypeName(typeid(*g_curTimerObj)) << " timer " << g_curTimerParam
     << std::endl;
  g_curTimerObj->ReportToStream(os, g_curTimerParam);
}
