#include "tickbase/timer/service_map.h"

#include <string>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/held_ref.h"

namespace {

// r units later, but never so far that the wrap-around order would read the
// new due time as past: a huge r would otherwise fire again in this run.
std::uint32_t RearmDelay(unsigned long r, std::uint32_t unit) {
  const unsigned long long delay = static_cast<unsigned long long>(r) * unit;
  return delay > kMaxDueDistance ? kMaxDueDistance : static_cast<std::uint32_t>(delay);
}

}  // namespace

cServiceMap::cServiceMap(const char* rangeName, unsigned long unit)
    : cService(std::string("Map_") + rangeName), m_unit(static_cast<std::uint32_t>(unit)) {}

cServiceMap::~cServiceMap() {
  m_entries.ForEach([](cTimerObj* obj, unsigned long) { obj->Release(); });
}

void cServiceMap::Run(unsigned long, unsigned long now) {
  const std::uint32_t clock = DueTime(now);
  cTimerObj* obj = nullptr;
  unsigned long param = 0;
  while (m_entries.TakeDue(clock, obj, param)) {
    cHeldRef held(obj);
    const unsigned long r = obj->OnTimer(param);
    if (r != 0) AddTimer(obj, param, clock + RearmDelay(r, m_unit));
  }
}

bool cServiceMap::KillTimer(cTimerObj* obj, unsigned long param) {
  if (!m_entries.Remove(obj, param)) return false;
  obj->Release();
  return true;
}

bool cServiceMap::CheckTimer(cTimerObj* obj, unsigned long param) {
  return m_entries.Contains(obj, param);
}

void cServiceMap::AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) {
  m_entries.Add(obj, param, DueTime(time));
  obj->AddRef();
}

std::size_t cServiceMap::size() const { return m_entries.size(); }
