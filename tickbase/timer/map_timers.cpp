#include "tickbase/timer/map_timers.h"

#include <algorithm>
#include <new>
#include <vector>

#include "tickbase/timer/dispatch_clock.h"

namespace {

constexpr std::uint64_t kSeqLimit = (std::uint64_t{1} << cTimerWheel::kSeqBits) - 1;
constexpr std::uint64_t kCentre = std::uint64_t{1} << 32;
constexpr std::int64_t kLastPos = (std::int64_t{1} << 33) - 2;

// From this many entries the index is unlikely to be in cache (its slots
// take about 40 bytes per timer).
constexpr std::size_t kPrefetchFrom = 32768;

}  // namespace

std::uint64_t cMapTimers::NextKey(std::uint32_t due) {
  KnowClock(due);
  if (m_seq == kSeqLimit) Renumber();
  const std::int64_t offset = static_cast<std::int32_t>(due - m_clock);
  return cTimerWheel::MakeKey(static_cast<std::uint64_t>(static_cast<std::int64_t>(m_clockPos) + offset), m_seq++);
}

void cMapTimers::Add(cTimerObj* obj, unsigned long param, std::uint32_t due) {
  // Everything that can fail comes before the first change.
  const std::uint64_t key = NextKey(due);
  const cTimerIndex::stSpot spot = m_index.Prepare(obj, param);
  m_order.Reserve();
  m_order.Push(key, stTimerRef{obj, param});
  m_index.Link(spot, obj, param, key);
}

bool cMapTimers::Remove(const cTimerObj* obj, unsigned long param) {
  std::uint64_t key = 0;
  if (!m_index.UnlinkFirst(obj, param, key)) return false;
  if (NoteStale()) Compact();
  return true;
}

bool cMapTimers::BeginFire(stTimerRef& ref) {
  ref = m_order.FrontRef();
  if (!m_index.BeginFiring(ref.obj, ref.param, m_order.FrontKey(), m_fired)) {
    m_order.PopFront();
    --m_stale;
    cDispatchClock::NoteSlowStep();
    return false;
  }
  // The entry stays at the front, stale, until EndFire or Rearm: a re-armed
  // timer then moves with its entry instead of a pop and a push.
  ++m_stale;
  m_firing = m_order.Version();
  // At a size where the index is not in cache, the next front (most likely
  // the front's least child) has its slot fetched while this one fires.
  if (m_order.size() > kPrefetchFrom) {
    if (const stTimerRef* next = m_order.NextRef()) m_index.Prefetch(next->obj, next->param);
  }
  return true;
}

void cMapTimers::EndFire(const stTimerRef& ref) {
  m_index.EndFiring(m_fired, ref.obj, ref.param);
  // A different version means the callback changed this map (which it must
  // not): the entry then lies somewhere, stale, and goes in its turn.
  if (m_order.Version() != m_firing) return;
  m_order.PopFront();
  --m_stale;
}

void cMapTimers::Rearm(const stTimerRef& ref, std::uint32_t due) {
  const std::uint64_t key = NextKey(due);
  const bool front = m_order.Version() == m_firing;
  try {
    // What can fail comes first; a failure ends the firing, unstored.
    m_order.Reserve();
    cTimerIndex::stSpot spot{};
    const bool relinked = m_index.Relink(m_fired, ref.obj, ref.param, key);
    if (!relinked) spot = m_index.Prepare(ref.obj, ref.param);
    if (front) {
      m_order.ReplaceFront(key);
      --m_stale;
    } else {
      m_order.Push(key, ref);
    }
    if (!relinked) m_index.Link(spot, ref.obj, ref.param, key);
  } catch (...) {
    EndFire(ref);
    throw;
  }
}

void cMapTimers::Compact() { Rebuild(0); }

void cMapTimers::Rebuild(std::int64_t shift) {
  // The index knows every stored timer. The order never holds more entries
  // than before, so appending allocates nothing.
  m_order.Clear(shift);
  m_index.ForEach([this](cTimerObj* obj, unsigned long param, std::uint64_t key) {
    m_order.Append(key, stTimerRef{obj, param});
  });
  m_order.Build();
  m_stale = 0;
  cDispatchClock::NoteSlowStep();
}

void cMapTimers::Renumber() {
  // Sorted, the keys give every key its rank, which becomes its new
  // sequence; positions move so that the clock sits at the centre. Both
  // keep the order, so the groups' heaps stay heaps.
  std::vector<std::uint64_t> sorted;
  sorted.reserve(m_index.size());
  m_index.ForEach([&sorted](cTimerObj*, unsigned long, std::uint64_t key) { sorted.push_back(key); });
  std::sort(sorted.begin(), sorted.end());
  const std::int64_t shift = static_cast<std::int64_t>(kCentre) - static_cast<std::int64_t>(m_clockPos);
  m_index.Rename([&sorted, shift](std::uint64_t key) {
    const std::int64_t pos = static_cast<std::int64_t>(cTimerWheel::Pos(key)) + shift;
    const auto rank = static_cast<std::uint64_t>(std::lower_bound(sorted.begin(), sorted.end(), key) - sorted.begin());
    return cTimerWheel::MakeKey(static_cast<std::uint64_t>(std::clamp<std::int64_t>(pos, 0, kLastPos)), rank);
  });
  m_clockPos = kCentre;
  m_seq = sorted.size();
  Rebuild(shift);
}

void cMapTimers::RenumberIfMemory() {
  try {
    Renumber();
  } catch (const std::bad_alloc&) {
    // The line has room for as far again: the next run tries again.
  }
}
