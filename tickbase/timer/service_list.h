// A list service: timers that share one fixed period, appended in due order.
// A fired timer whose OnTimer returns non-zero goes to the back, due one
// period after the run's clock. Exported for tests; not installed.
#ifndef TICKBASE_TIMER_SERVICE_LIST_H_
#define TICKBASE_TIMER_SERVICE_LIST_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/service.h"
#include "tickbase/timer/timer_store.h"

class TICKBASE_API cServiceList : public cService {
 public:
  // Named "list_" + period + "_" + rangeName. period: clock units of the
  // range, 1 .. 2^31 - 1 (the range refuses others).
  cServiceList(unsigned long period, const char* rangeName);
  ~cServiceList() override;

  void Run(unsigned long units, unsigned long now) override;
  bool KillTimer(cTimerObj* obj, unsigned long param) override;
  bool CheckTimer(cTimerObj* obj, unsigned long param) override;
  // time: the absolute due time, normally the clock plus the period.
  void AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) override;

  std::size_t size() const;

 private:
  cTimerStore<cTimerFifo> m_entries;
  std::uint32_t m_period;
};

#endif  // TICKBASE_TIMER_SERVICE_LIST_H_
