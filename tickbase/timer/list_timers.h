// The timers of a list service: a cTimerIndex finds them by key, a
// cTimerFifo fires them in the order they were added. Order keys are
// insertion sequence numbers (64 bits: they never run out). A failed
// allocation in Add leaves the timers as they were; nothing else allocates.
// Internal.
#ifndef TICKBASE_TIMER_LIST_TIMERS_H_
#define TICKBASE_TIMER_LIST_TIMERS_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/timer_index.h"
#include "tickbase/timer/timer_order.h"

class cListTimers : public cIndexedTimers {
 public:
  // Appends a timer. Throws std::bad_alloc, with nothing stored, when memory
  // runs out.
  void Add(cTimerObj* obj, unsigned long param, std::uint32_t due);
  // Removes the earliest added timer with this key; false if none is stored.
  bool Remove(const cTimerObj* obj, unsigned long param);

  // Reads the first timer, left stored, if it is due at now; key names it
  // for TakePeeked. False when nothing is due.
  bool PeekDue(std::uint32_t now, stTimerRef& ref, std::uint64_t& key);
  // Removes the timer that PeekDue named if it is still the first; false if
  // it went meanwhile.
  bool TakePeeked(std::uint64_t key);

 private:
  // The first entry whose timer is still stored, dropping stale ones on the
  // way; null when none is left.
  const cTimerFifo::stEntry* LiveFront();

  cTimerFifo m_order;
  std::uint64_t m_seq = 0;
};

#endif  // TICKBASE_TIMER_LIST_TIMERS_H_
