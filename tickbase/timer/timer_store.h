// Indexed timer storage shared by the map and list services: a cTimerTable
// finds entries by (handle, param), an Order (cTimerHeap or cTimerFifo)
// gives the firing order. Kill and check cost the same among a million
// timers as among ten: they never scan. The store does not touch reference
// counts; its service does. Internal.
#ifndef TICKBASE_TIMER_TIMER_STORE_H_
#define TICKBASE_TIMER_TIMER_STORE_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/timer_order.h"
#include "tickbase/timer/timer_table.h"

class cTimerObj;

template <class Order>
class cTimerStore {
 public:
  cTimerStore() = default;
  cTimerStore(const cTimerStore&) = delete;
  cTimerStore& operator=(const cTimerStore&) = delete;

  // Stores an entry after every entry already stored with the same due time.
  void Add(cTimerObj* obj, unsigned long param, std::uint32_t due);
  // Removes the entry with this key that fires first (equal due times: the
  // earliest added). False if none is stored.
  bool Remove(cTimerObj* obj, unsigned long param);
  bool Contains(cTimerObj* obj, unsigned long param) const { return m_table.Contains(obj, param); }
  // Takes the first entry out if it is due at now; false when nothing is due.
  bool TakeDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param);
  // Reads the first entry, left stored, if it is due at now; seq names it
  // for TakePeeked. False when nothing is due.
  bool PeekDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param, std::uint64_t& seq);
  // Removes the entry that PeekDue named if it is still the first; false if
  // it went meanwhile. Requires: Order keeps its first entry first across
  // Add (cTimerFifo does).
  bool TakePeeked(std::uint64_t seq);

  std::size_t size() const { return m_table.size(); }
  template <class F>
  void ForEach(F f) const {
    m_table.ForEachLive([&](std::uint32_t, const cTimerTable::stSlot& s) { f(s.obj, s.param); });
  }

 private:
  // The first order entry whose table entry is live, dropping stale ones on
  // the way; null when none is left.
  const stOrderEntry* LiveFront();
  // Removes the first entry. Requires: LiveFront() is not null.
  void EraseFront();
  // Drops stale order entries; keeps memory proportional to live entries.
  void Compact();

  cTimerTable m_table;
  Order m_order;
  std::uint64_t m_seq = 0;
  std::size_t m_stale = 0;  // order entries whose table entry is gone
};

extern template class cTimerStore<cTimerHeap>;
extern template class cTimerStore<cTimerFifo>;

#endif  // TICKBASE_TIMER_TIMER_STORE_H_
