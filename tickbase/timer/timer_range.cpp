#include "tickbase/timer/timer_range.h"

#include <sstream>

#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/timer/due_order.h"
#include "tickbase/timer/service.h"
#include "tickbase/timer/service_list.h"
#include "tickbase/timer/service_map.h"
#include "tickbase/timer/service_patch.h"
#include "tickbase/timer/timer_manager.h"
#include "tickbase/timer/timer_obj.h"
#include "tickbase/timer/current_timer.h"

namespace {

bool IsPeriodic(TimerEnum kind) { return kind == Timer_Patch || kind == Timer_List; }

}  // namespace

cTimerRange::cTimerRange() : m_clocks(nullptr) {}

cTimerRange::cTimerRange(const cTimerManager& clocks) : m_clocks(&clocks) {}

const cTimerManager& cTimerRange::Clocks() const {
  return m_clocks ? *m_clocks : cTimerManager::Instance();
}

cTimerRange::~cTimerRange() = default;

void cTimerRange::CreateTimeRange(TimeRange range, const char* name) {
  m_range = IsTimeRange(range) ? range : TimeRange_MS;
  m_name = name ? name : "";
  m_map = std::make_unique<cServiceMap>(m_name.c_str(), ClockUnits());
  m_unitMs = kTimeRangeMs[m_range];
}

cService* cTimerRange::FindPeriodic(TimerEnum kind, unsigned long period, bool create) {
  cServiceTable& table = kind == Timer_Patch ? m_patches : m_lists;
  auto it = table.find(period);
  if (it != table.end()) return it->second.get();
  if (!create) return nullptr;

  // A zero period would fire the same list entries forever in one run and
  // divide by zero in a patch. A list period longer than the wrap-around
  // order can hold would misorder the list; a patch never compares due
  // times, so any 32-bit period serves it.
  const unsigned long long clockPeriod = static_cast<unsigned long long>(period) * ClockUnits();
  const unsigned long long limit = kind == Timer_Patch ? 0xFFFFFFFFull : kMaxDueDistance;
  if (period == 0 || (kind == Timer_Patch ? period : clockPeriod) > limit) {
    std::ostringstream text;
    text << "cTimerRange::FindService refused period " << period << " kind " << kind << " range "
         << m_name << std::endl;
    Report(quenlet_fetalerror(), text.str());
    return nullptr;
  }
  // Room in both containers first: a failed allocation leaves no service
  // that is stored but never run.
  std::vector<cService*>& order = kind == Timer_Patch ? m_patchOrder : m_listOrder;
  if (order.size() == order.capacity()) order.reserve(order.size() * 2 + 4);
  table.reserve(table.size() + 1);
  std::unique_ptr<cService> created;
  if (kind == Timer_Patch) {
    created = std::make_unique<cServicePatch>(period, m_name.c_str());
  } else {
    created = std::make_unique<cServiceList>(static_cast<unsigned long>(clockPeriod), m_name.c_str());
  }
  cService* service = created.get();
  table.emplace(period, std::move(created));
  order.push_back(service);
  return service;
}

std::size_t cTimerRange::GetTimerCount(TimerEnum kind) const {
  if (kind == Timer_Map) return m_map ? m_map->size() : 0;
  if (!IsPeriodic(kind)) return 0;
  std::size_t count = 0;
  for (const cService* service : kind == Timer_Patch ? m_patchOrder : m_listOrder) count += service->size();
  return count;
}

cService* cTimerRange::FindService(TimerEnum kind, unsigned long& time) {
  if (kind == Timer_Map) return m_map.get();
  if (!IsPeriodic(kind)) return nullptr;
  cService* service = FindPeriodic(kind, time, true);
  if (service && kind == Timer_List) Clocks().AddTime(m_range, time);
  return service;
}

cService* cTimerRange::LookupService(TimerEnum kind, unsigned long time) {
  if (kind == Timer_Map) return m_map.get();
  return IsPeriodic(kind) ? FindPeriodic(kind, time, false) : nullptr;
}

int cTimerRange::AddTimer(TimerEnum kind, unsigned long time, cTimerObj* obj, unsigned long param) {
  if (!obj) return 0;
  NoteTypeName(obj);
  cService* service = FindService(kind, time);
  if (!service) return 0;
  service->AddTimer(obj, param, time);
  return 1;
}

int cTimerRange::KillTimer(TimerEnum kind, unsigned long time, cTimerObj* obj, unsigned long param) {
  cService* service = LookupService(kind, time);
  return service && service->KillTimer(obj, param) ? 1 : 0;
}

int cTimerRange::CheckTimer(TimerEnum kind, unsigned long time, cTimerObj* obj, unsigned long param) {
  cService* service = LookupService(kind, time);
  return service && service->CheckTimer(obj, param) ? 1 : 0;
}

void cTimerRange::Prefetch(TimerEnum kind, const cTimerObj* obj, unsigned long param) const {
  // Lists would first need a lookup of their period's service.
  if (kind == Timer_Map && m_map) m_map->Prefetch(obj, param);
}

void cTimerRange::RunUnits() {
  const cTimerManager& clocks = Clocks();
  if (m_range == TimeRange_MS) {
    // One ms per unit: every accumulated ms is a unit, no division. This
    // range runs on every tick; when its only service is a map with nothing
    // due, the run is the map's one comparison.
    const unsigned long now = clocks.GetMSTime();
    const long long units = m_accumulated;
    if (m_patchOrder.empty() && m_listOrder.empty() && !m_map->AnyDue(now)) {
      m_accumulated = 0;
      m_i = 3;
      m_current = nullptr;
      return;
    }
    RunRange(now, static_cast<unsigned long>(units));
    m_accumulated -= units;
    return;
  }
  const long long units = m_accumulated / m_unitMs;
  RunRange(static_cast<unsigned long>(clocks.GetSTime()), static_cast<unsigned long>(units));
  m_accumulated -= units * m_unitMs;
}

void cTimerRange::RunRange(unsigned long now, unsigned long units) {
  m_i = 0;
  m_current = m_map.get();
  // A map with nothing due costs one comparison.
  if (m_map->AnyDue(now)) m_current->RunService(units, now);
  m_i = 1;
  for (std::size_t i = 0; i < m_patchOrder.size(); ++i) {
    m_current = m_patchOrder[i];
    m_current->RunService(units, now);
  }
  m_i = 2;
  for (std::size_t i = 0; i < m_listOrder.size(); ++i) {
    m_current = m_listOrder[i];
    m_current->RunService(units, now);
  }
  m_i = 3;
  m_current = nullptr;
}

void cTimerRange::OnOverflow(unsigned long msNow) {
  m_map->OnOverflow(msNow);
  for (cService* s : m_patchOrder) s->OnOverflow(msNow);
  for (cService* s : m_listOrder) s->OnOverflow(msNow);
}

void cTimerRange::ReportCrashToStream(std::ostream& os) const {
  os << "cTimerRange::ReportCrashToStream" << " m_i: " << m_i << std::endl;
  if (m_current) m_current->ReportCrashToStream(os);
}
