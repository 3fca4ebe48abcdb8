#include "tickbase/timer/timer_index.h"

bool cTimerIndex::Contains(const cTimerObj* obj, unsigned long param) const {
  const std::size_t slot = m_table.Find(obj, param);
  return slot != cTimerTable::kNone && First(m_table.At(slot)) != kFiring;
}

cTimerIndex::stSpot cTimerIndex::Prepare(const cTimerObj* obj, unsigned long param) {
  m_table.Reserve();
  const stSpot spot = m_table.Locate(obj, param);
  if (spot.found) {
    const cTimerTable::stSlot& s = m_table.At(spot.slot);
    if (s.Marked()) {
      m_groups.Reserve(Group(s));
    } else if (s.value != kFiring) {
      m_groups.Reserve(cTimerGroups::kNone);
    }
  }
  return spot;
}

void cTimerIndex::Link(const stSpot& spot, cTimerObj* obj, unsigned long param, std::uint64_t key) {
  ++m_timers;
  if (!spot.found) {
    m_table.Insert(spot, obj, param, key);
    return;
  }
  cTimerTable::stSlot& s = m_table.At(spot.slot);
  if (s.Marked()) {
    m_groups.Push(Group(s), key);
  } else if (s.value == kFiring) {
    s.value = key;
  } else {
    s.value = m_groups.Open(s.value, key);
    s.tag |= cTimerTable::kMark;
  }
}

void cTimerIndex::UnlinkFirstOf(std::size_t slot) {
  --m_timers;
  cTimerTable::stSlot& s = m_table.At(slot);
  if (!s.Marked()) {
    m_table.Erase(slot);
  } else if (m_groups.Pop(Group(s)) == 1) {
    s.value = m_groups.Close(Group(s));
    s.tag &= ~cTimerTable::kMark;
  }
}

bool cTimerIndex::UnlinkFirst(const cTimerObj* obj, unsigned long param, std::uint64_t& key) {
  const std::size_t slot = m_table.Find(obj, param);
  if (slot == cTimerTable::kNone || First(m_table.At(slot)) == kFiring) return false;
  key = First(m_table.At(slot));
  UnlinkFirstOf(slot);
  return true;
}

bool cTimerIndex::IsFirst(const cTimerObj* obj, unsigned long param, std::uint64_t key) const {
  const std::size_t slot = m_table.Find(obj, param);
  return slot != cTimerTable::kNone && First(m_table.At(slot)) == key;
}

bool cTimerIndex::UnlinkIfFirst(const cTimerObj* obj, unsigned long param, std::uint64_t key) {
  const std::size_t slot = m_table.Find(obj, param);
  if (slot == cTimerTable::kNone || First(m_table.At(slot)) != key) return false;
  UnlinkFirstOf(slot);
  return true;
}

bool cTimerIndex::BeginFiring(const cTimerObj* obj, unsigned long param, std::uint64_t key,
                              stFiring& firing) {
  const std::size_t slot = m_table.Find(obj, param);
  if (slot == cTimerTable::kNone) return false;
  cTimerTable::stSlot& s = m_table.At(slot);
  if (First(s) != key) return false;
  firing = stFiring{cTimerTable::kNone, m_table.Generation()};
  if (s.Marked()) {
    UnlinkFirstOf(slot);
    return true;
  }
  --m_timers;
  s.value = kFiring;
  firing.slot = slot;
  return true;
}

std::size_t cTimerIndex::FiringSlot(const stFiring& firing, const cTimerObj* obj, unsigned long param) const {
  std::size_t slot = firing.slot;
  if (slot == cTimerTable::kNone) return slot;
  // The slot moved only if the table was rehashed while the timer fired.
  if (firing.generation != m_table.Generation()) slot = m_table.Find(obj, param);
  if (slot == cTimerTable::kNone) return slot;
  const cTimerTable::stSlot& s = m_table.At(slot);
  return s.Obj() == obj && s.param == param && !s.Marked() && s.value == kFiring ? slot : cTimerTable::kNone;
}

void cTimerIndex::EndFiring(const stFiring& firing, const cTimerObj* obj, unsigned long param) {
  const std::size_t slot = FiringSlot(firing, obj, param);
  if (slot != cTimerTable::kNone) m_table.Erase(slot);
}

bool cTimerIndex::Relink(const stFiring& firing, const cTimerObj* obj, unsigned long param, std::uint64_t key) {
  const std::size_t slot = FiringSlot(firing, obj, param);
  if (slot == cTimerTable::kNone) return false;
  m_table.At(slot).value = key;
  ++m_timers;
  return true;
}

bool cTimerIndex::HoldsGrowing(const cTimerObj* obj, unsigned long param, std::uint64_t key) const {
  const std::size_t slot = m_table.Find(obj, param);
  if (slot == cTimerTable::kNone) return false;
  const cTimerTable::stSlot& s = m_table.At(slot);
  return s.Marked() ? key >= m_groups.Top(Group(s)) : key == s.value;
}
