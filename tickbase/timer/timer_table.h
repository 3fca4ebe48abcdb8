// The stored timers of a map or list service, found by (handle, param).
//
// Open addressing with linear probing: one slot holds everything about an
// entry, so finding and removing a timer touches one place however many
// timers are stored. Several entries may share a key (an owner may add the
// same timer twice); they sit in the same probe run. Removed slots become
// tombstones, so live slots never move except in Rehash, which returns where
// each one went. Live entries take at most half the slots after a rehash;
// tombstones may raise the load to three quarters before the next one, so a
// rehash that only clears tombstones comes after a quarter of the slots'
// worth of removals at the least. Internal.
#ifndef TICKBASE_TIMER_TIMER_TABLE_H_
#define TICKBASE_TIMER_TIMER_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tickbase/timer/large_allocator.h"

class cTimerObj;

class cTimerTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  struct stSlot {
    cTimerObj* obj;
    unsigned long param;
    std::uint64_t seq;  // insertion sequence: unique per entry, never 0 in a live slot
    std::uint32_t due;
    std::uint32_t state;
  };

  cTimerTable() = default;
  cTimerTable(const cTimerTable&) = delete;
  cTimerTable& operator=(const cTimerTable&) = delete;

  // Live entries.
  std::size_t size() const { return m_live; }
  // True when the next Insert needs a Rehash first.
  bool NeedsRehash() const { return (m_used + 1) * 4 > m_slots.size() * 3; }
  // Drops the tombstones, and doubles the slots if live entries would take
  // more than half of them.
  // Returns, for each old slot index, its new index (kNone if it was not
  // live). Invalidates every slot index given out before.
  std::vector<std::uint32_t> Rehash();
  // Stores an entry; returns its slot. Requires: !NeedsRehash().
  std::uint32_t Insert(cTimerObj* obj, unsigned long param, std::uint32_t due, std::uint64_t seq);
  // Removes the live entry in slot.
  void Erase(std::uint32_t slot);

  // The entry with this key that comes first by before(a, b), or kNone.
  template <class Before>
  std::uint32_t FindFirst(cTimerObj* obj, unsigned long param, Before before) const;
  bool Contains(cTimerObj* obj, unsigned long param) const;
  // True when slot still holds the entry inserted with seq.
  bool IsLive(std::uint32_t slot, std::uint64_t seq) const {
    return m_slots[slot].state == kLive && m_slots[slot].seq == seq;
  }
  const stSlot& At(std::uint32_t slot) const { return m_slots[slot]; }

  // Calls f(index, slot) for every live slot, in slot order.
  template <class F>
  void ForEachLive(F f) const {
    for (std::size_t i = 0; i < m_slots.size(); ++i)
      if (m_slots[i].state == kLive) f(static_cast<std::uint32_t>(i), m_slots[i]);
  }

 private:
  enum : std::uint32_t { kEmpty = 0, kLive = 1, kTomb = 2 };

  std::size_t Home(cTimerObj* obj, unsigned long param) const;
  std::size_t Next(std::size_t i) const { return (i + 1) & (m_slots.size() - 1); }

  std::vector<stSlot, cLargeAllocator<stSlot>> m_slots;  // size is 0 or a power of two
  std::size_t m_live = 0;
  std::size_t m_used = 0;  // live + tombstones
};

template <class Before>
std::uint32_t cTimerTable::FindFirst(cTimerObj* obj, unsigned long param, Before before) const {
  if (m_slots.empty()) return kNone;
  std::uint32_t best = kNone;
  for (std::size_t i = Home(obj, param); m_slots[i].state != kEmpty; i = Next(i)) {
    const stSlot& s = m_slots[i];
    if (s.state != kLive || s.obj != obj || s.param != param) continue;
    if (best == kNone || before(s, m_slots[best])) best = static_cast<std::uint32_t>(i);
  }
  return best;
}

#endif  // TICKBASE_TIMER_TIMER_TABLE_H_
