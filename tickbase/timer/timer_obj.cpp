#include "tickbase/timer/timer_obj.h"

#include <iostream>
#include <sstream>

#include "tickbase/diag/console.h"
#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/platform/clock.h"
#include "tickbase/timer/cost_label.h"
#include "tickbase/timer/current_timer.h"
#include "tickbase/timer/dispatch_clock.h"
#include "tickbase/timer/timer_manager.h"
#include "tickbase/timer/timer_range.h"

namespace {

constexpr DWORD kSlowCallbackMs = 100;

// When the running dispatch's timing started. A dispatch nested in it (an
// owner that has each part of its work dispatched on its own) moves it on
// by its own duration: each part is reported by itself, and the enclosing
// callback only for its own time.
DWORD g_dispatchStart = 0;

// Reports a callback that ran dt ms. owner is null when the callback
// destroyed its own owner. The colours change whoever reads the report.
void ReportSlowCallback(iTimerObjEx* owner, DWORD dt, unsigned long param) {
  cColorScope color(kColorError, kColorNormal, std::cout);
  spdlog::logger& channel = quenlet_timererror();
  {
    cChannelReport report(channel);
    report.stream() << "cTimerObj::OnTimer" << kCostLabel << dt;
    if (owner) report.stream() << " name " << TypeName(typeid(*owner));
    report.stream() << " timer " << param;
  }
  if (!owner) return;
  std::ostringstream described;
  if (owner->ReportToStream(described, param)) cChannelReport(channel).stream() << described.str();
}

}  // namespace

// cTimerObj ------------------------------------------------------------------

cTimerObj::cTimerObj(iTimerObjEx* owner) : m_owner(owner) {}

cTimerObj::~cTimerObj() { m_owner = nullptr; }

int cTimerObj::Release() {
  const int left = --m_refs;
  if (left == 0) delete this;
  return left;
}

void cTimerObj::Invalidate() {
  m_valid = false;
  m_owner = nullptr;
}

unsigned long cTimerObj::OnTimer(unsigned long param) {
  if (!m_valid || !m_owner) return 0;
  // Null and 0 unless this dispatch is nested in another.
  iTimerObjEx* const outerObj = g_curTimerObj;
  const unsigned long outerParam = g_curTimerParam;
  const DWORD outerStart = g_dispatchStart;
  const DWORD t0 = outerObj ? cDispatchClock::Stop() : cDispatchClock::Start();
  g_dispatchStart = t0;
  g_curTimerObj = m_owner;
  g_curTimerParam = param;
  // No try/catch: a callback that throws leaves the current-timer variables
  // naming it for the crash report.
  const unsigned long result = m_owner->OnTimer(param);
  g_curTimerObj = outerObj;
  g_curTimerParam = outerParam;
  const DWORD t1 = cDispatchClock::Stop();
  const DWORD dt = t1 - g_dispatchStart;
  g_dispatchStart = outerStart + (t1 - t0);
  if (dt > kSlowCallbackMs) ReportSlowCallback(m_owner, dt, param);
  return result;
}

// iTimerObj ------------------------------------------------------------------

bool iTimerObj::ReportToStream(std::ostream&, unsigned long) { return false; }

// iTimerObjEx ----------------------------------------------------------------

iTimerObjEx::iTimerObjEx() { CreateTimer(); }

iTimerObjEx::~iTimerObjEx() {
  DeleteTimer();
  // An owner destroyed inside its own callback must not be read by a crash
  // report taken before the callback returns.
  if (g_curTimerObj == this) g_curTimerObj = nullptr;
}

unsigned long iTimerObjEx::OnTimer(unsigned long) { return 0; }

void iTimerObjEx::CreateTimer() { m_timer = new cTimerObj(this); }

void iTimerObjEx::DeleteTimer() {
  if (!m_timer) return;
  m_timer->Invalidate();
  m_timer->Release();
  m_timer = nullptr;
}

void iTimerObjEx::ResetTimer() {
  // The new handle comes first, so a failed allocation keeps the old one.
  cTimerObj* fresh = new cTimerObj(this);
  DeleteTimer();
  m_timer = fresh;
}

const char* iTimerObjEx::TypeLabel() const { return TypeName(typeid(*this)).c_str(); }

int iTimerObjEx::AddTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param) {
  return AddTimer(range, kind, time, param, TypeLabel());
}

int iTimerObjEx::AddTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param,
                          const char* name) {
  return cTimerManager::Instance().AddTimer(range, kind, time, m_timer, param, name);
}

int iTimerObjEx::KillTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param) {
  return cTimerManager::Instance().KillTimer(range, kind, time, m_timer, param, TypeLabel());
}

int iTimerObjEx::AddTimerNext(TimeRange range, unsigned long count, unsigned long param) {
  return AddTimerNext(range, count, param, TypeLabel());
}

int iTimerObjEx::AddTimerNext(TimeRange range, unsigned long count, unsigned long param,
                              const char* name) {
  return cTimerManager::Instance().AddTimerNext(range, count, m_timer, param, name);
}

int iTimerObjEx::CheckTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param) {
  return cTimerManager::Instance().CheckTimer(range, kind, time, m_timer, param);
}

void iTimerObjEx::AddTimerRun(unsigned long param) {
  cTimerManager::Instance().AddTimerRun(m_timer, param);
}

// iTimerObjBind --------------------------------------------------------------

iTimerObjBind::iTimerObjBind(iTimerObjEx* target) : m_target(target) {}

iTimerObjBind::~iTimerObjBind() { m_target = nullptr; }

unsigned long iTimerObjBind::OnTimer(unsigned long param) {
  return m_target ? m_target->OnTimer(param) : 0;
}
