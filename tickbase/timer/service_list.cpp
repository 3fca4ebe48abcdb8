#include "tickbase/timer/service_list.h"

#include <string>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/held_ref.h"

cServiceList::cServiceList(unsigned long period, const char* rangeName)
    : cIndexedService("list_" + std::to_string(period) + "_" + rangeName),
      m_period(static_cast<std::uint32_t>(period)) {}

void cServiceList::Run(unsigned long, unsigned long now) {
  // The front entry stays stored while it fires (an owner checking its own
  // timer sees it, and one that throws keeps it) and goes once it has been
  // re-armed. Re-armed entries are due a whole period after now, so the walk
  // ends after each due entry has fired once.
  const std::uint32_t clock = DueTime(now);
  cTimerObj* obj = nullptr;
  unsigned long param = 0;
  std::uint64_t seq = 0;
  while (m_entries.PeekDue(clock, obj, param, seq)) {
    // The walk's own reference: the entry's may go during the call if a
    // callback breaks the rule and kills it at once.
    obj->AddRef();
    cHeldRef held(obj);
    if (obj->OnTimer(param) != 0) AddTimer(obj, param, clock + m_period);
    if (m_entries.TakePeeked(seq)) obj->Release();
  }
}
