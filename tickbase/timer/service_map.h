// The map service of a range: timers with arbitrary absolute due times,
// fired in due order (wrap-around rule; equal due times in the order they
// were added). A fired timer comes back r units of the range after the
// run's clock when its OnTimer returns r != 0. Exported for tests; not
// installed.
#ifndef TICKBASE_TIMER_SERVICE_MAP_H_
#define TICKBASE_TIMER_SERVICE_MAP_H_

#include <cstdint>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/indexed_service.h"

class TICKBASE_API cServiceMap : public cIndexedService<cMapTimers> {
 public:
  // Named "Map_" + rangeName. unit: clock units per unit of the range
  // (1 for ms and seconds, 60, 3600, 86400).
  cServiceMap(const char* rangeName, unsigned long unit);

  void Run(unsigned long units, unsigned long now) override;
  // True if a timer is due at now (a stale entry may count). now becomes
  // the clock that later due times are read against, as for Run.
  bool AnyDue(unsigned long now) { return m_entries.AnyBefore(m_entries.DueLimit(DueTime(now))); }

 protected:
  void Dispatch(unsigned long units, unsigned long now, bool timed) override;

 private:
  std::uint32_t m_unit;
};

#endif  // TICKBASE_TIMER_SERVICE_MAP_H_
