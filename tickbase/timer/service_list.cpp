#include "tickbase/timer/service_list.h"

#include <string>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/held_ref.h"
#include "tickbase/timer/service_timing.h"
#include "tickbase/timer/timer_obj.h"

cServiceList::cServiceList(unsigned long period, const char* rangeName)
    : cIndexedService("list_" + std::to_string(period) + "_" + rangeName),
      m_period(static_cast<std::uint32_t>(period)) {}

void cServiceList::Run(unsigned long units, unsigned long now) { Dispatch(units, now, false); }

void cServiceList::Dispatch(unsigned long, unsigned long now, bool timed) {
  // The front entry stays stored while it fires (an owner checking its own
  // timer sees it, and one that throws keeps it) and goes once it has been
  // re-armed. Re-armed entries are due a whole period after now, so the walk
  // ends after each due entry has fired once.
  const std::uint32_t clock = DueTime(now);
  stTimerRef ref{nullptr, 0};
  std::uint64_t key = 0;
  if (!m_entries.PeekDue(clock, ref, key)) return;
  cServiceRunTiming timing(timed ? GetName().c_str() : nullptr);
  do {
    // The walk's own reference: the entry's may go during the call if a
    // callback breaks the rule and kills it at once.
    ref.obj->AddRef();
    cHeldRef held(ref.obj);
    timing.Open();
    if (ref.obj->OnTimer(ref.param) != 0) AddTimer(ref.obj, ref.param, clock + m_period);
    if (m_entries.TakePeeked(key)) ref.obj->Release();
  } while (m_entries.PeekDue(clock, ref, key));
}
