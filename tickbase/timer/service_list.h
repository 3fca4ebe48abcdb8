// A list service: timers that share one fixed period, appended in due order.
// A fired timer whose OnTimer returns non-zero goes to the back, due one
// period after the run's clock. Exported for tests; not installed.
#ifndef TICKBASE_TIMER_SERVICE_LIST_H_
#define TICKBASE_TIMER_SERVICE_LIST_H_

#include <cstdint>

#include "tickbase/timer/indexed_service.h"

class TICKBASE_API cServiceList : public cIndexedService<cListTimers> {
 public:
  // Named "list_" + period + "_" + rangeName. period: clock units of the
  // range, 1 .. 2^31 - 1 (the range refuses others).
  cServiceList(unsigned long period, const char* rangeName);

  void Run(unsigned long units, unsigned long now) override;

 protected:
  void Dispatch(unsigned long units, unsigned long now, bool timed) override;

 private:
  std::uint32_t m_period;
};

#endif  // TICKBASE_TIMER_SERVICE_LIST_H_
