// The map service of a range: timers with arbitrary absolute due times,
// fired in due order (wrap-around rule; equal due times in the order they
// were added). A fired timer comes back r units of the range after the
// run's clock when its OnTimer returns r != 0. Exported for tests; not
// installed.
#ifndef TICKBASE_TIMER_SERVICE_MAP_H_
#define TICKBASE_TIMER_SERVICE_MAP_H_

#include <cstdint>

#include "tickbase/timer/indexed_service.h"

class TICKBASE_API cServiceMap : public cIndexedService<cTimerHeap> {
 public:
  // Named "Map_" + rangeName. unit: clock units per unit of the range
  // (1 for ms and seconds, 60, 3600, 86400).
  cServiceMap(const char* rangeName, unsigned long unit);

  void Run(unsigned long units, unsigned long now) override;

 private:
  std::uint32_t m_unit;
};

#endif  // TICKBASE_TIMER_SERVICE_MAP_H_
