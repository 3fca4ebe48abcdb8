// The timers of a map service: a cTimerIndex finds them by key, a
// cTimerWheel fires them in due order. An order key is one 64-bit word, the
// due time's position on a 33-bit line of clock units above a 31-bit
// insertion sequence, so equal due times fire in the order they were added
// and every comparison is one unsigned comparison.
//
// Due times are 32-bit clock values ordered by their signed difference from
// the clock, the wrap-around rule. A due time's position is the clock's
// position plus that difference, so the line keeps the rule's order while
// the clock wanders up to 2^31 units either way from the middle of the line;
// past that, and when the sequence runs out, every key is renumbered (in
// O(n log n), once per 2^31 adds or 2^31 clock units at most; it needs a
// sorted copy of the keys, and when that cannot be had a run tries again at
// its next call, while an add fails with std::bad_alloc). A due time
// more than 2^31 units from the clock is outside the rule; it keeps its
// place on the line. The clock is the one the last run was given (before the
// first run, the first due time added).
//
// A failed allocation in Add or Rearm leaves the timers as they were.
// Nothing else allocates. Internal.
#ifndef TICKBASE_TIMER_MAP_TIMERS_H_
#define TICKBASE_TIMER_MAP_TIMERS_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/timer_index.h"
#include "tickbase/timer/timer_wheel.h"

class cMapTimers : public cIndexedTimers {
 public:
  // Stores a timer after every timer already stored with the same due time.
  // Throws std::bad_alloc, with nothing stored, when memory runs out.
  void Add(cTimerObj* obj, unsigned long param, std::uint32_t due);
  // Removes the timer with this key that fires first (equal due times: the
  // earliest added). False if none is stored.
  bool Remove(const cTimerObj* obj, unsigned long param);

  // Firing, at clock now: while AnyBefore(DueLimit(now)), BeginFire takes
  // the first timer out (false: it was gone, and its entry is dropped); the
  // caller fires it, then EndFire ends it or Rearm stores it again. A
  // callback that throws must be followed by EndFire too.
  std::uint64_t DueLimit(std::uint32_t now) {
    KnowClock(now);
    m_clockPos = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_clockPos) +
                                            static_cast<std::int32_t>(now - m_clock));
    m_clock = now;
    if (m_clockPos < kLowest || m_clockPos > kHighest) RenumberIfMemory();
    m_order.Advance(m_clockPos);
    return cTimerWheel::MakeKey(m_clockPos + 1, 0);
  }
  bool AnyBefore(std::uint64_t limit) const { return m_order.FrontKey() < limit; }
  bool BeginFire(stTimerRef& ref);
  // ref is the timer BeginFire gave.
  void EndFire(const stTimerRef& ref);
  // ref is the timer BeginFire gave. Throws std::bad_alloc, with the timer
  // not stored (ended as by EndFire), when memory runs out.
  void Rearm(const stTimerRef& ref, std::uint32_t due);

 private:
  // The clock stays within [kLowest, kHighest] of the line, so that every
  // due time within 2^31 units of it lies in [0, 2^33 - 2]: no key is
  // kNoKey.
  static constexpr std::uint64_t kLowest = std::uint64_t{1} << 31;
  static constexpr std::uint64_t kHighest = (std::uint64_t{3} << 31) - 1;

  // Before the first run, the clock is the first due time added.
  void KnowClock(std::uint32_t t) {
    if (m_clockKnown) return;
    m_clock = t;
    m_clockKnown = true;
    m_order.Advance(m_clockPos);
  }
  // The key of a timer added now.
  std::uint64_t NextKey(std::uint32_t due);
  // Drops the stale entries of the order.
  void Compact();
  // Renumbers every key: positions centred on the clock, sequences from 0.
  // Throws std::bad_alloc, with nothing changed, when memory runs out.
  void Renumber();
  void RenumberIfMemory();
  // Builds the order again from the index, every position moved by shift.
  void Rebuild(std::int64_t shift);

  cTimerWheel m_order;
  std::uint32_t m_clock = 0;
  std::uint64_t m_clockPos = std::uint64_t{1} << 32;  // the clock's position on the line
  bool m_clockKnown = false;
  std::uint64_t m_seq = 0;
  std::uint64_t m_firing = 0;  // the order's version when BeginFire took the front
  cTimerIndex::stFiring m_fired{};
};

#endif  // TICKBASE_TIMER_MAP_TIMERS_H_
