#include "tickbase/timer/timer_table.h"

#include <cassert>
#include <utility>

namespace {

constexpr std::size_t kMinSlots = 16;

std::uint64_t Mix(std::uint64_t k) {
  k ^= k >> 33;
  k *= 0xff51afd7ed558ccdull;
  k ^= k >> 33;
  k *= 0xc4ceb9fe1a85ec53ull;
  k ^= k >> 33;
  return k;
}

}  // namespace

std::size_t cTimerTable::Home(cTimerObj* obj, unsigned long param) const {
  const std::uint64_t key =
      static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(obj)) ^
      (static_cast<std::uint64_t>(param) * 0x9E3779B97F4A7C15ull);
  return static_cast<std::size_t>(Mix(key)) & (m_slots.size() - 1);
}

std::vector<std::uint32_t> cTimerTable::Rehash() {
  std::size_t capacity = m_slots.size() < kMinSlots ? kMinSlots : m_slots.size();
  while ((m_live + 1) * 2 > capacity) capacity *= 2;

  // Everything that can fail comes before the table changes.
  decltype(m_slots) fresh(capacity, stSlot{nullptr, 0, kNone, kEmpty});
  std::vector<std::uint32_t> moved(m_slots.size(), kNone);
  fresh.swap(m_slots);
  const std::size_t live = m_live;
  m_used = 0;
  m_live = 0;
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    const stSlot& s = fresh[i];
    if (s.state == kLive) moved[i] = Insert(s.obj, s.param, s.head);
  }
  assert(m_live == live);
  (void)live;
  return moved;
}

std::uint32_t cTimerTable::Find(cTimerObj* obj, unsigned long param) const {
  if (m_slots.empty()) return kNone;
  for (std::size_t i = Home(obj, param); m_slots[i].state != kEmpty; i = Next(i)) {
    const stSlot& s = m_slots[i];
    if (s.state == kLive && s.obj == obj && s.param == param) return static_cast<std::uint32_t>(i);
  }
  return kNone;
}

std::uint32_t cTimerTable::Insert(cTimerObj* obj, unsigned long param, std::uint32_t head) {
  assert(!NeedsRehash());
  std::size_t i = Home(obj, param);
  while (m_slots[i].state == kLive) i = Next(i);
  if (m_slots[i].state == kEmpty) ++m_used;
  m_slots[i] = stSlot{obj, param, head, kLive};
  ++m_live;
  return static_cast<std::uint32_t>(i);
}

void cTimerTable::Erase(std::uint32_t slot) {
  assert(m_slots[slot].state == kLive);
  m_slots[slot].state = kTomb;
  m_slots[slot].obj = nullptr;
  --m_live;
  // A tombstone followed by an empty slot ends no probe run that matters:
  // nothing after it was placed through it. Clearing such tombstones, back
  // to the previous live slot, keeps rehashes rare under add/kill churn.
  std::size_t i = slot;
  if (m_slots[Next(i)].state != kEmpty) return;
  const std::size_t mask = m_slots.size() - 1;
  while (m_slots[i].state == kTomb) {
    m_slots[i].state = kEmpty;
    --m_used;
    i = (i + mask) & mask;
  }
}
