#include "tickbase/timer/timer_manager.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/platform/clock.h"
#include "tickbase/timer/dispatch_clock.h"
#include "tickbase/timer/held_ref.h"
#include "tickbase/timer/timer_obj.h"

namespace {

// Commands whose index slots are fetched together before they are applied:
// enough to overlap many misses, few enough that the slots stay in cache.
constexpr std::size_t kPrefetchWindow = 64;

// A run-list or end-list callback that appends itself on every call would
// keep its walk going forever. Past this many calls appended during one
// walk, the rest waits for the next Run (and the stall is reported).
constexpr std::size_t kMaxAppendedPerWalk = 65536;

}  // namespace

cTimerManager& cTimerManager::Instance() {
  static cTimerManager manager;
  return manager;
}

cTimerManager::cTimerManager()
    : m_ranges{cTimerRange(*this), cTimerRange(*this), cTimerRange(*this), cTimerRange(*this),
               cTimerRange(*this)} {
  RefreshTime();
  for (int i = 0; i < TimeRange_Max; ++i)
    m_ranges[i].CreateTimeRange(static_cast<TimeRange>(i), kTimeRangeNames[i]);
}

cTimerManager::~cTimerManager() {
  for (const stOnceEntry& e : m_runList) e.obj->Release();
  for (const stOnceEntry& e : m_endList) e.obj->Release();
  for (const stTimerCmd& cmd : m_cmds) cmd.obj->Release();
  // The ranges release their stored entries as they are destroyed.
}

void cTimerManager::RefreshTime() {
  m_sTime = platform::UnixTime();
  m_msTime = platform::timeGetTime();
}

void cTimerManager::AddTime(TimeRange range, unsigned long& t) const {
  if (!IsTimeRange(range)) return;
  if (range == TimeRange_MS) {
    t += m_msTime;
  } else {
    t = t * kTimeRangeSec[range] + static_cast<unsigned long>(GetSTime());
  }
}

int cTimerManager::Queue(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                         unsigned long param, int add, const char* name) {
  if (!obj) return 0;
  // Only a failed kill shows its name; adds keep none.
  m_cmds.push_back(stTimerCmd{range, kind, time, obj, param, add, add || !name ? std::string() : std::string(name)});
  obj->AddRef();
  ++m_queueMark;
  return 1;
}

int cTimerManager::AddTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                            unsigned long param, const char* name) {
  return Queue(range, kind, time, obj, param, 1, name);
}

int cTimerManager::KillTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                             unsigned long param, const char* name) {
  return Queue(range, kind, time, obj, param, 0, name);
}

int cTimerManager::AddTimerNext(TimeRange range, unsigned long count, cTimerObj* obj,
                                unsigned long param, const char* name) {
  AddTime(range, count);
  return AddTimer(range, Timer_Map, count, obj, param, name);
}

int cTimerManager::_AddTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                             unsigned long param) {
  return IsTimeRange(range) ? m_ranges[range].AddTimer(kind, time, obj, param) : 0;
}

int cTimerManager::_KillTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                              unsigned long param) {
  return IsTimeRange(range) ? m_ranges[range].KillTimer(kind, time, obj, param) : 0;
}

int cTimerManager::CheckTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                              unsigned long param) {
  return IsTimeRange(range) ? m_ranges[range].CheckTimer(kind, time, obj, param) : 0;
}

void cTimerManager::AddTimerRun(cTimerObj* obj, unsigned long param) {
  if (!obj) return;
  m_runList.push_back(stOnceEntry{obj, param});
  obj->AddRef();
}

void cTimerManager::AddTimerEnd(cTimerObj* obj, unsigned long param) {
  if (!obj) return;
  m_endList.push_back(stOnceEntry{obj, param});
  obj->AddRef();
}

void cTimerManager::FlushCmd() {
  ++m_queueMark;
  // Applying calls no callback, so nothing is queued meanwhile. Each command
  // leaves the queue as it is applied, also when applying it throws (a
  // failed allocation, a stream of a report): the rest stays queued for the
  // next flush, and no command is applied or released twice.
  std::size_t done = 0;
  struct cDropApplied {
    std::vector<stTimerCmd>& cmds;
    std::size_t& done;
    ~cDropApplied() { cmds.erase(cmds.begin(), cmds.begin() + static_cast<std::ptrdiff_t>(done)); }
  } dropApplied{m_cmds, done};
  while (done < m_cmds.size()) {
    // A window of commands has its index slots fetched all at once, so their
    // misses overlap, and is then applied from cache.
    const std::size_t end = std::min(m_cmds.size(), done + kPrefetchWindow);
    for (std::size_t i = done; i < end; ++i) Prefetch(m_cmds[i]);
    while (done < end) {
      const stTimerCmd& cmd = m_cmds[done++];
      cHeldRef held(cmd.obj);
      if (cmd.obj->IsValid()) Apply(cmd);
    }
  }
}

void cTimerManager::Prefetch(const stTimerCmd& cmd) const {
  if (IsTimeRange(cmd.range)) m_ranges[cmd.range].Prefetch(cmd.kind, cmd.obj, cmd.param);
}

void cTimerManager::Apply(const stTimerCmd& cmd) {
  const bool known = IsTimeRange(cmd.range);
  if (cmd.add) {
    if (known) m_ranges[cmd.range].AddTimer(cmd.kind, cmd.time, cmd.obj, cmd.param);
    return;
  }
  if (known && m_ranges[cmd.range].KillTimer(cmd.kind, cmd.time, cmd.obj, cmd.param)) return;
  cChannelReport(quenlet_fetalerror()).stream()
      << " KillTimer error! range " << cmd.range << " e " << cmd.kind << " time " << cmd.time
      << " param " << cmd.param << " name " << cmd.name << std::endl;
}

void cTimerManager::Run(unsigned long ms) {
  if (!m_cmds.empty()) FlushCmd();
  const DWORD before = m_msTime;
  RefreshTime();
  if (static_cast<std::int32_t>(before) < 0 && static_cast<std::int32_t>(m_msTime) >= 0) {
    for (cTimerRange& range : m_ranges) range.OnOverflow(m_msTime);
  }
  // Callback timings from here on start from the last reading taken.
  cDispatchClock chain(m_msTime);
  m_i = -1;
  if (!m_runList.empty()) FireOnceList(m_runList, "run list");
  for (int i = 0; i < TimeRange_Max; ++i) {
    m_i = i;
    m_ranges[i].Run(ms);
  }
  m_i = TimeRange_Max;
  if (!m_endList.empty()) FireOnceList(m_endList, "end list");
}

void cTimerManager::FireOnceList(std::deque<stOnceEntry>& list, const char* which) {
  // Entries appended by these callbacks are reached in the same walk. Each
  // entry leaves the list before its call, so a callback that throws leaves
  // no fired entry behind to fire (and release) twice.
  std::size_t budget = list.size() + kMaxAppendedPerWalk;
  while (!list.empty()) {
    if (budget-- == 0) {
      std::ostringstream text;
      text << "cTimerManager::Run " << which << " still growing after " << kMaxAppendedPerWalk
           << " appended calls, " << list.size() << " left for the next Run" << std::endl;
      Report(quenlet_fetalerror(), text.str());
      return;
    }
    const stOnceEntry e = list.front();
    list.pop_front();
    cHeldRef held(e.obj);
    e.obj->OnTimer(e.param);
  }
}

void cTimerManager::ReportCrashToStream(std::ostream& os) const {
  os << "cTimerManager::ReportCrashToStream" << " m_i: " << m_i << std::endl;
  if (m_i >= 0 && m_i < TimeRange_Max) m_ranges[m_i].ReportCrashToStream(os);
}

void cTimerManager::TraceTimer(std::ostream&) const {}

cTimerRange* cTimerManager::GetRange(TimeRange range) {
  return IsTimeRange(range) ? &m_ranges[range] : nullptr;
}

unsigned long GetMSTime() { return cTimerManager::Instance().GetMSTime(); }

long GetSTime() { return cTimerManager::Instance().GetSTime(); }
