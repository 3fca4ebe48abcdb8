// Indexed timer storage shared by the map and list services: a cTimerTable
// finds a key (handle, param), cTimerNodes holds the timers, cTimerGroups
// orders the timers of each key that has several, and an Order (cTimerHeap
// or cTimerFifo) gives the firing order of all of them. Add, kill and check
// never scan, neither among many keys nor among many timers of one key. A
// failed allocation in Add leaves the store as it was; nothing else
// allocates. The store does not touch reference counts; its service does.
// Internal.
#ifndef TICKBASE_TIMER_TIMER_STORE_H_
#define TICKBASE_TIMER_TIMER_STORE_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/timer_groups.h"
#include "tickbase/timer/timer_nodes.h"
#include "tickbase/timer/timer_order.h"
#include "tickbase/timer/timer_table.h"

class cTimerObj;

template <class Order>
class cTimerStore {
 public:
  cTimerStore() = default;
  cTimerStore(const cTimerStore&) = delete;
  cTimerStore& operator=(const cTimerStore&) = delete;

  // Stores a timer after every timer already stored with the same due time.
  // Throws std::bad_alloc, with nothing stored, when memory runs out.
  void Add(cTimerObj* obj, unsigned long param, std::uint32_t due);
  // Removes the timer with this key that fires first (equal due times: the
  // earliest added). False if none is stored.
  bool Remove(cTimerObj* obj, unsigned long param);
  bool Contains(cTimerObj* obj, unsigned long param) const {
    return m_table.Find(obj, param) != cTimerTable::kNone;
  }
  // Takes the first timer out if it is due at now; false when nothing is due.
  bool TakeDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param);
  // Reads the first timer, left stored, if it is due at now; seq names it
  // for TakePeeked. False when nothing is due.
  bool PeekDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param, std::uint64_t& seq);
  // Removes the timer that PeekDue named if it is still the first; false if
  // it went meanwhile. Requires: Order keeps its first entry first across
  // Add (cTimerFifo does).
  bool TakePeeked(std::uint64_t seq);

  std::size_t size() const { return m_nodes.size(); }
  // Calls f(obj, param) once per stored timer.
  template <class F>
  void ForEach(F f) const {
    m_nodes.ForEachLive([&](const stTimerNode& n) {
      const cTimerTable::stSlot& key = m_table.At(n.key);
      f(key.obj, key.param);
    });
  }

 private:
  // The first order entry whose timer is still stored, dropping stale ones
  // on the way; null when none is left.
  const stOrderEntry* LiveFront();
  // Takes the first entry's timer out. Requires: LiveFront() is not null.
  void EraseFront();
  // A key's head is its one timer's node, or its group with kGroup set.
  static constexpr std::uint32_t kGroup = 0x80000000u;

  // Takes the timer in node out of its key, and the key out of the table
  // when it was the key's last; frees the node.
  void Unlink(std::uint32_t node);

  cTimerTable m_table;
  cTimerNodes m_nodes;
  cTimerGroups<Order> m_groups;
  Order m_order;
  std::uint64_t m_seq = 0;
  std::size_t m_stale = 0;  // order entries whose timer is gone
};

extern template class cTimerStore<cTimerHeap>;
extern template class cTimerStore<cTimerFifo>;

#endif  // TICKBASE_TIMER_TIMER_STORE_H_
