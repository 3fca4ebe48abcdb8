// The keys of a map or list service's stored timers: one slot per distinct
// (handle, param), found by open addressing with linear probing. A slot
// names its key's one timer or its group of timers (cTimerStore says how),
// so timers that share a key hang from one slot and never lengthen a probe
// run.
// Removed slots become tombstones, so live slots move only in Rehash. Live
// keys take at most half the slots after a rehash; tombstones may raise the
// load to three quarters before the next one. Internal.
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
    std::uint32_t head;  // the key's timer or group
    std::uint32_t state;
  };

  cTimerTable() = default;
  cTimerTable(const cTimerTable&) = delete;
  cTimerTable& operator=(const cTimerTable&) = delete;

  // Live keys.
  std::size_t size() const { return m_live; }
  // True when the next Insert needs a Rehash first.
  bool NeedsRehash() const { return (m_used + 1) * 4 > m_slots.size() * 3; }
  // Drops the tombstones, and doubles the slots if live keys would take more
  // than half of them. Returns, for each old slot index, its new index (kNone
  // if it was not live). On failure (std::bad_alloc) nothing has changed.
  std::vector<std::uint32_t> Rehash();
  // The slot of the key, or kNone.
  std::uint32_t Find(cTimerObj* obj, unsigned long param) const;
  // Stores a new key with head; returns its slot. Requires: !NeedsRehash()
  // and the key is not stored.
  std::uint32_t Insert(cTimerObj* obj, unsigned long param, std::uint32_t head);
  // Removes the live key in slot.
  void Erase(std::uint32_t slot);

  stSlot& At(std::uint32_t slot) { return m_slots[slot]; }
  const stSlot& At(std::uint32_t slot) const { return m_slots[slot]; }

 private:
  enum : std::uint32_t { kEmpty = 0, kLive = 1, kTomb = 2 };

  std::size_t Home(cTimerObj* obj, unsigned long param) const;
  std::size_t Next(std::size_t i) const { return (i + 1) & (m_slots.size() - 1); }

  std::vector<stSlot, cLargeAllocator<stSlot>> m_slots;  // size is 0 or a power of two
  std::size_t m_live = 0;
  std::size_t m_used = 0;  // live + tombstones
};

#endif  // TICKBASE_TIMER_TIMER_TABLE_H_
