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
    : cIndexedService(std::string("Map_") + rangeName), m_unit(static_cast<std::uint32_t>(unit)) {}

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
