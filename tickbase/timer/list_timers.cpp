#include "tickbase/timer/list_timers.h"

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/dispatch_clock.h"

namespace {

// Compaction waits until stale entries outnumber live ones (and a floor), so
// its O(n) cost is paid at most once per n kills.
constexpr std::size_t kMinStaleToCompact = 1024;

}  // namespace

void cListTimers::Add(cTimerObj* obj, unsigned long param, std::uint32_t due) {
  const cTimerIndex::stSpot spot = m_index.Prepare(obj, param);
  m_order.Reserve();
  const std::uint64_t key = ++m_seq;
  m_order.Push(cTimerFifo::stEntry{key, stTimerRef{obj, param}, due});
  m_index.Link(spot, obj, param, key);
}

bool cListTimers::Remove(const cTimerObj* obj, unsigned long param) {
  std::uint64_t key = 0;
  if (!m_index.UnlinkFirst(obj, param, key)) return false;
  if (++m_stale >= kMinStaleToCompact && m_stale > m_index.size()) {
    m_order.Compact([this](const cTimerFifo::stEntry& e) {
      return m_index.HoldsGrowing(e.ref.obj, e.ref.param, e.key);
    });
    m_stale = 0;
    cDispatchClock::NoteSlowStep();
  }
  return true;
}

const cTimerFifo::stEntry* cListTimers::LiveFront() {
  while (!m_order.empty()) {
    const cTimerFifo::stEntry& front = m_order.Front();
    if (m_index.IsFirst(front.ref.obj, front.ref.param, front.key)) return &front;
    m_order.PopFront();
    --m_stale;
    cDispatchClock::NoteSlowStep();
  }
  return nullptr;
}

bool cListTimers::PeekDue(std::uint32_t now, stTimerRef& ref, std::uint64_t& key) {
  const cTimerFifo::stEntry* front = LiveFront();
  if (!front || !IsDue(now, front->due)) return false;
  ref = front->ref;
  key = front->key;
  return true;
}

bool cListTimers::TakePeeked(std::uint64_t key) {
  const cTimerFifo::stEntry* front = LiveFront();
  if (!front || front->key != key) return false;
  m_index.UnlinkIfFirst(front->ref.obj, front->ref.param, key);
  m_order.PopFront();
  return true;
}
