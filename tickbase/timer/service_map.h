// The map service of a range: timers with arbitrary absolute due times,
// fired in due order (wrap-around rule; equal due times in the order they
// were added). A fired timer comes back r units of the range after the
// run's clock when its OnTimer returns r != 0. Exported for tests; not
// installed.
#ifndef TICKBASE_TIMER_SERVICE_MAP_H_
#define TICKBASE_TIMER_SERVICE_MAP_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/service.h"
#include "tickbase/timer/timer_store.h"

class TICKBASE_API cServiceMap : public cService {
 public:
  // Named "Map_" + rangeName. unit: clock units per unit of the range
  // (1 for ms and seconds, 60, 3600, 86400).
  cServiceMap(const char* rangeName, unsigned long unit);
  ~cServiceMap() override;

  void Run(unsigned long units, unsigned long now) override;
  bool KillTimer(cTimerObj* obj, unsigned long param) override;
  bool CheckTimer(cTimerObj* obj, unsigned long param) override;
  void AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) override;

  // Stored entries.
  std::size_t size() const;

 private:
  cTimerStore<cTimerHeap> m_entries;
  std::uint32_t m_unit;
};

#endif  // TICKBASE_TIMER_SERVICE_MAP_H_
