#include "tickbase/timer/timing_scope.h"

#include <iostream>

#include "tickbase/diag/console.h"
#include "tickbase/diag/report.h"
#include "tickbase/platform/clock.h"
#include "tickbase/timer/service_timing.h"

namespace {

constexpr WORD kColorScopeLog = 15;

}  // namespace

cTimer::cTimer(int start) {
  if (start) Restart();
}

cTimer::~cTimer() = default;

unsigned long cTimer::Restart() {
  m_start = timeGetTime();
  return m_start;
}

unsigned long cTimer::Elapsed() const {
  // 32-bit subtraction: one wrap of the clock between the readings is fine.
  return static_cast<DWORD>(timeGetTime() - static_cast<DWORD>(m_start));
}

cTimerFunction::cTimerFunction(const char* name, unsigned long limit, int start)
    : cTimer(start), m_name(name ? name : ""), m_limit(limit) {}

cTimerFunction::~cTimerFunction() {
  if (m_pending && OverLimit()) std::cout << m_name << " cost time " << Elapsed() << std::endl;
}

cTimerFunctionFrame::cTimerFunctionFrame(const char* name, const char* param, unsigned long limit,
                                         int start)
    : cTimerFunction(name, limit, start), m_param(param ? param : "") {
  ++GetTimerFunctionFrameLevel();
}

cTimerFunctionFrame::~cTimerFunctionFrame() {
  int& level = GetTimerFunctionFrameLevel();
  if (m_pending && OverLimit()) {
    ReportSlowFrame(m_name.c_str(), Elapsed(), m_param, level);
    m_pending = false;
  }
  --level;
}

cTimerLog::cTimerLog(const char* name, const char* text, unsigned long limit)
    : cTimerFunction(name, limit, 1), m_text(text ? text : "") {}

cTimerLog::~cTimerLog() {
  if (OverLimit()) {
    cColorScope color(kColorScopeLog, kColorNormal, std::cout);
    std::cout << m_name << ' ' << m_text << " cost time " << Elapsed() << std::endl;
  }
  m_pending = false;
}

int& GetTimerFunctionFrameLevel() {
  static int level = 0;
  return level;
}
