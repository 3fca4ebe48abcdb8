// The keys (handle, param) of a map or list service's stored timers: one
// slot per distinct key, found by open addressing with linear probing. A
// slot carries a 64-bit value for its key (cTimerIndex says what), so timers
// that share a key hang from one slot and never lengthen a probe run.
//
// The slot count is any number, not a power of two, so the table can grow by
// half instead of doubling: live and removed slots take at most 4/5 of it,
// and after a rehash live keys take at most 8/15, which keeps the table at
// 24 to 45 bytes per key. Removed slots become tombstones; live slots move
// only in a rehash. Internal.
#ifndef TICKBASE_TIMER_TIMER_TABLE_H_
#define TICKBASE_TIMER_TIMER_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tickbase/timer/large_allocator.h"

class cTimerObj;

class cTimerTable {
 public:
  static constexpr std::size_t kNone = ~std::size_t{0};
  // A flag the index may keep in a live slot's tag.
  static constexpr std::uintptr_t kMark = 1;

  struct stSlot {
    std::uintptr_t tag;  // the handle's address | kMark, or kEmpty, or kTomb
    unsigned long param;
    std::uint64_t value;

    cTimerObj* Obj() const { return reinterpret_cast<cTimerObj*>(tag & ~kMark); }
    bool Marked() const { return (tag & kMark) != 0; }
    bool Live() const { return tag > kTomb; }
  };

  // Where a key is, or where it would go.
  struct stSpot {
    std::size_t slot;
    bool found;
  };

  cTimerTable() = default;
  cTimerTable(const cTimerTable&) = delete;
  cTimerTable& operator=(const cTimerTable&) = delete;

  // Live keys.
  std::size_t size() const { return m_live; }
  // Changes with every rehash: equal values mean slots have not moved.
  std::uint64_t Generation() const { return m_generation; }
  // Makes room so that one Insert needs no rehash. On failure
  // (std::bad_alloc) nothing has changed.
  void Reserve();
  // The slot of the key, or kNone.
  std::size_t Find(const cTimerObj* obj, unsigned long param) const;
  // The slot of the key if it is stored, else the slot an Insert of it
  // would take. Requires: Reserve() since the last Insert.
  stSpot Locate(const cTimerObj* obj, unsigned long param) const;
  // Stores the key in the slot Locate gave. Returns the slot.
  std::size_t Insert(const stSpot& spot, cTimerObj* obj, unsigned long param, std::uint64_t value);
  // Removes the live key in slot.
  void Erase(std::size_t slot);
  // Starts fetching the slots where a search for the key begins: the home
  // slot's cache line, and the next one when the slot after home does not
  // end in the first (most keys lie at home or one slot past it).
  void Prefetch(const cTimerObj* obj, unsigned long param) const {
    if (m_slots.empty()) return;
    const char* home = reinterpret_cast<const char*>(&m_slots[Home(obj, param)]);
    __builtin_prefetch(home);
    if ((reinterpret_cast<std::uintptr_t>(home) & 63) + 2 * sizeof(stSlot) > 64) __builtin_prefetch(home + 64);
  }

  stSlot& At(std::size_t slot) { return m_slots[slot]; }
  const stSlot& At(std::size_t slot) const { return m_slots[slot]; }
  // Calls f(slot) for every live slot.
  template <class F>
  void ForEachLive(F f) {
    for (stSlot& s : m_slots)
      if (s.Live()) f(s);
  }
  template <class F>
  void ForEachLive(F f) const {
    for (const stSlot& s : m_slots)
      if (s.Live()) f(s);
  }

 private:
  static constexpr std::uintptr_t kEmpty = 0;
  static constexpr std::uintptr_t kTomb = 2;  // no handle has this address

  std::size_t Home(const cTimerObj* obj, unsigned long param) const;
  std::size_t Next(std::size_t i) const { return i + 1 == m_slots.size() ? 0 : i + 1; }
  std::size_t Prev(std::size_t i) const { return (i == 0 ? m_slots.size() : i) - 1; }
  void Rehash(std::size_t slots);

  std::vector<stSlot, cLargeAllocator<stSlot>> m_slots;
  std::size_t m_live = 0;
  std::size_t m_used = 0;   // live + tombstones
  std::size_t m_limit = 0;  // the most slots in use before a rehash
  std::uint64_t m_generation = 0;
};

#endif  // TICKBASE_TIMER_TIMER_TABLE_H_
