#include "tickbase/timer/list_timers.h"

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/dispatch_clock.h"

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
  if (NoteStale()) {
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
  // A front killed meanwhile stays, stale, for the next LiveFront.
  if (m_order.empty() || m_order.Front().key != key) return false;
  const stTimerRef& ref = m_order.Front().ref;
  if (!m_index.UnlinkIfFirst(ref.obj, ref.param, key)) return false;
  m_order.PopFront();
  return true;
}
