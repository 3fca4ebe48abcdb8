#include "tickbase/timer/service_timing.h"

#include <iostream>

#include "tickbase/diag/console.h"
#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/timer/cost_label.h"
#include "tickbase/timer/dispatch_clock.h"
#include "tickbase/timer/timing_scope.h"

cServiceRunTiming::cServiceRunTiming(const char* name) : m_name(name) {
  if (!m_name) return;
  m_start = cDispatchClock::Start();
  m_slowSteps = cDispatchClock::SlowSteps();
}

void cServiceRunTiming::OpenFrame() {
  ++GetTimerFunctionFrameLevel();
  m_open = true;
}

cServiceRunTiming::~cServiceRunTiming() {
  if (!m_name || (!m_open && cDispatchClock::SlowSteps() == m_slowSteps)) return;
  int& level = GetTimerFunctionFrameLevel();
  if (static_cast<DWORD>(cDispatchClock::Stop() - m_start) > kSlowServiceMs) {
    // The figure shown is a second reading, as the frames' reports show.
    ReportSlowFrame("cService::RunService", static_cast<DWORD>(platform::timeGetTime() - m_start), m_name,
                    m_open ? level : level + 1);
  }
  if (m_open) --level;
}

void ReportSlowFrame(const char* name, unsigned long elapsed, const char* param, int level) {
  cColorScope color(kColorError, kColorNormal, std::cout);
  cChannelReport(quenlet_timererror()).stream()
      << name << kCostLabel << elapsed << " param " << param << " level " << level;
}
