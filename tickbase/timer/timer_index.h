// Which timers a map or list service stores under each key (handle, param),
// named by their order keys (cTimerWheel, cTimerFifo): a cTimerTable slot per
// key holds its one timer's order key, or, marked, the cTimerGroups index of
// its several. A key's timers leave first-firing first, by a kill or by
// firing; the order's front is the first of its key exactly when it is
// still stored.
//
// A key's only timer that is firing (BeginFiring) keeps its slot, holding
// kFiring, so that re-arming it finds the slot at once; meanwhile the key
// counts as storing nothing. A failed allocation in Prepare changes
// nothing; nothing else allocates. Reference counts are the service's
// business. Internal.
#ifndef TICKBASE_TIMER_TIMER_INDEX_H_
#define TICKBASE_TIMER_TIMER_INDEX_H_

#include <cstddef>
#include <cstdint>

#include "tickbase/timer/timer_groups.h"
#include "tickbase/timer/timer_table.h"

class cTimerObj;

class cTimerIndex {
 public:
  using stSpot = cTimerTable::stSpot;

  // A timer taken out by BeginFiring.
  struct stFiring {
    std::size_t slot;  // its key's slot while that holds kFiring
    std::uint64_t generation;
  };

  cTimerIndex() = default;
  cTimerIndex(const cTimerIndex&) = delete;
  cTimerIndex& operator=(const cTimerIndex&) = delete;

  // Stored timers.
  std::size_t size() const { return m_timers; }
  bool Contains(const cTimerObj* obj, unsigned long param) const;
  void Prefetch(const cTimerObj* obj, unsigned long param) const { m_table.Prefetch(obj, param); }

  // Makes room for one more timer under (obj, param) and says where it
  // goes. On failure (std::bad_alloc) nothing has changed.
  stSpot Prepare(const cTimerObj* obj, unsigned long param);
  // Stores the timer named key, a key no stored timer has. Requires: the
  // spot Prepare gave for (obj, param), nothing linked or unlinked since.
  void Link(const stSpot& spot, cTimerObj* obj, unsigned long param, std::uint64_t key);
  // Takes out the first-firing timer of (obj, param) and gives its key;
  // false if none is stored.
  bool UnlinkFirst(const cTimerObj* obj, unsigned long param, std::uint64_t& key);
  // True if key names the first-firing timer of (obj, param).
  bool IsFirst(const cTimerObj* obj, unsigned long param, std::uint64_t key) const;
  // Takes that timer out if IsFirst; false, changing nothing, otherwise.
  bool UnlinkIfFirst(const cTimerObj* obj, unsigned long param, std::uint64_t key);
  // Takes out the timer key if it is the first of (obj, param), to fire it;
  // false, changing nothing, otherwise. Then EndFiring or Relink.
  bool BeginFiring(const cTimerObj* obj, unsigned long param, std::uint64_t key, stFiring& firing);
  // After a firing timer that is not stored again.
  void EndFiring(const stFiring& firing, const cTimerObj* obj, unsigned long param);
  // Stores the firing timer again under key; false, changing nothing, if
  // that needs Prepare and Link (a key that holds or held several timers,
  // or an index changed meanwhile).
  bool Relink(const stFiring& firing, const cTimerObj* obj, unsigned long param, std::uint64_t key);
  // True if key names a stored timer of (obj, param), for an order whose
  // keys grow with every timer added: the timers that left were each the
  // first of their key, so exactly the keys before the first have left.
  bool HoldsGrowing(const cTimerObj* obj, unsigned long param, std::uint64_t key) const;

  // f(obj, param, key) for every stored timer.
  template <class F>
  void ForEach(F f) const {
    m_table.ForEachLive([&](const cTimerTable::stSlot& s) {
      if (!s.Marked()) {
        if (s.value != kFiring) f(s.Obj(), s.param, s.value);
        return;
      }
      for (std::uint64_t key : m_groups.Keys(Group(s))) f(s.Obj(), s.param, key);
    });
  }
  // key = rename(key) for every stored timer. rename must keep the order
  // of keys.
  template <class F>
  void Rename(F rename) {
    m_table.ForEachLive([&](cTimerTable::stSlot& s) {
      if (!s.Marked()) {
        if (s.value != kFiring) s.value = rename(s.value);
        return;
      }
      for (std::uint64_t& key : m_groups.Keys(Group(s))) key = rename(key);
    });
  }

 private:
  // The value of a slot whose only timer is firing; no order key has it.
  static constexpr std::uint64_t kFiring = ~std::uint64_t{0};

  static std::uint32_t Group(const cTimerTable::stSlot& s) { return static_cast<std::uint32_t>(s.value); }
  // The first key of a live slot (kFiring: none).
  std::uint64_t First(const cTimerTable::stSlot& s) const { return s.Marked() ? m_groups.Top(Group(s)) : s.value; }
  // Takes the first timer out of the live slot, which holds one.
  void UnlinkFirstOf(std::size_t slot);
  // The slot of the firing timer if it still holds kFiring, else kNone.
  std::size_t FiringSlot(const stFiring& firing, const cTimerObj* obj, unsigned long param) const;

  cTimerTable m_table;
  cTimerGroups m_groups;
  std::size_t m_timers = 0;
};

// What the map and list timers share: their index and the lookups that need
// nothing else.
class cIndexedTimers {
 public:
  cIndexedTimers(const cIndexedTimers&) = delete;
  cIndexedTimers& operator=(const cIndexedTimers&) = delete;

  bool Contains(const cTimerObj* obj, unsigned long param) const { return m_index.Contains(obj, param); }
  void Prefetch(const cTimerObj* obj, unsigned long param) const { m_index.Prefetch(obj, param); }
  std::size_t size() const { return m_index.size(); }
  // f(obj, param) for every stored timer.
  template <class F>
  void ForEach(F f) const {
    m_index.ForEach([&](cTimerObj* obj, unsigned long param, std::uint64_t) { f(obj, param); });
  }

 protected:
  cIndexedTimers() = default;
  ~cIndexedTimers() = default;

  // Counts one more stale order entry; true when the order should drop its
  // stale entries. That waits until they outnumber live ones (and a floor),
  // so the O(n) cost is paid at most once per n kills.
  bool NoteStale() {
    constexpr std::size_t kMinStaleToCompact = 1024;
    return ++m_stale >= kMinStaleToCompact && m_stale > m_index.size();
  }

  cTimerIndex m_index;
  std::size_t m_stale = 0;  // order entries whose timer is gone
};

#endif  // TICKBASE_TIMER_TIMER_INDEX_H_
