#include "tickbase/timer/timer_table.h"

#include <cassert>

#include "tickbase/timer/dispatch_clock.h"

namespace {

constexpr std::size_t kMinSlots = 16;

// Slots in use (live + tombstones) at most 4/5 of the table; a rehash sizes
// it so that live keys take 8/15, half again as many slots as the 4/5 mark.
std::size_t Limit(std::size_t slots) { return slots / 5 * 4 + slots % 5 * 4 / 5; }
std::size_t SlotsFor(std::size_t live) { return live * 15 / 8 + 1; }

}  // namespace

std::size_t cTimerTable::Home(const cTimerObj* obj, unsigned long param) const {
  // One multiplication mixes every bit of the key into the high half, and
  // the high half of a second product scales it to the table's size.
  const std::uint64_t key = (static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(obj)) ^
                             (static_cast<std::uint64_t>(param) * 0x9E3779B97F4A7C15ull)) *
                            0xD6E8FEB86659FD93ull;
  return static_cast<std::size_t>((static_cast<unsigned __int128>(key) * m_slots.size()) >> 64);
}

void cTimerTable::Reserve() {
  if (m_used < m_limit) return;
  // Mostly tombstones: the same size, cleaned. Otherwise grow by about half.
  const std::size_t wanted = SlotsFor(m_live + 1);
  Rehash(wanted < kMinSlots ? kMinSlots : wanted < m_slots.size() ? m_slots.size() : wanted);
}

void cTimerTable::Rehash(std::size_t slots) {
  decltype(m_slots) fresh(slots, stSlot{kEmpty, 0, 0});  // the one step that can fail
  fresh.swap(m_slots);
  ++m_generation;
  cDispatchClock::NoteSlowStep();
  m_used = 0;
  m_live = 0;
  m_limit = Limit(slots);
  // Each key goes to a random place in the new table: fetch the places a few
  // keys ahead, so the misses overlap.
  constexpr std::size_t kAhead = 16;
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    if (i + kAhead < fresh.size() && fresh[i + kAhead].Live()) {
      const stSlot& ahead = fresh[i + kAhead];
      __builtin_prefetch(&m_slots[Home(ahead.Obj(), ahead.param)], 1);
    }
    const stSlot& s = fresh[i];
    if (!s.Live()) continue;
    std::size_t at = Home(s.Obj(), s.param);
    while (m_slots[at].tag != kEmpty) at = Next(at);
    m_slots[at] = s;
    ++m_used;
    ++m_live;
  }
}

std::size_t cTimerTable::Find(const cTimerObj* obj, unsigned long param) const {
  if (m_slots.empty()) return kNone;
  const std::uintptr_t tag = reinterpret_cast<std::uintptr_t>(obj);
  for (std::size_t i = Home(obj, param);; i = Next(i)) {
    const stSlot& s = m_slots[i];
    if ((s.tag & ~kMark) == tag && s.param == param) return i;
    if (s.tag == kEmpty) return kNone;
  }
}

cTimerTable::stSpot cTimerTable::Locate(const cTimerObj* obj, unsigned long param) const {
  assert(m_used < m_limit);
  const std::uintptr_t tag = reinterpret_cast<std::uintptr_t>(obj);
  std::size_t free = kNone;
  for (std::size_t i = Home(obj, param);; i = Next(i)) {
    const stSlot& s = m_slots[i];
    if ((s.tag & ~kMark) == tag && s.param == param) return stSpot{i, true};
    if (s.tag == kTomb && free == kNone) free = i;
    if (s.tag == kEmpty) return stSpot{free == kNone ? i : free, false};
  }
}

std::size_t cTimerTable::Insert(const stSpot& spot, cTimerObj* obj, unsigned long param, std::uint64_t value) {
  assert(!spot.found && !m_slots[spot.slot].Live());
  stSlot& s = m_slots[spot.slot];
  if (s.tag == kEmpty) ++m_used;
  s = stSlot{reinterpret_cast<std::uintptr_t>(obj), param, value};
  ++m_live;
  return spot.slot;
}

void cTimerTable::Erase(std::size_t slot) {
  assert(m_slots[slot].Live());
  m_slots[slot].tag = kTomb;
  --m_live;
  // A tombstone followed by an empty slot ends no probe run that matters:
  // nothing after it was placed through it. Clearing such tombstones, back
  // to the previous live slot, keeps rehashes rare under add/kill churn.
  if (m_slots[Next(slot)].tag != kEmpty) return;
  for (std::size_t i = slot; m_slots[i].tag == kTomb; i = Prev(i)) {
    m_slots[i].tag = kEmpty;
    --m_used;
  }
}
