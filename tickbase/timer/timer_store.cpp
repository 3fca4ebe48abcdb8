#include "tickbase/timer/timer_store.h"

namespace {

// Compaction waits until stale entries outnumber live ones (and a floor), so
// its O(n) cost is paid at most once per n kills.
constexpr std::size_t kMinStaleToCompact = 1024;

}  // namespace

template <class Order>
void cTimerStore<Order>::Add(cTimerObj* obj, unsigned long param, std::uint32_t due) {
  if (m_table.NeedsRehash()) {
    m_order.Rehashed(m_table, m_table.Rehash());
    m_stale = 0;
  }
  const std::uint64_t seq = ++m_seq;
  m_order.Push(stOrderEntry{due, m_table.Insert(obj, param, due, seq), seq});
}

template <class Order>
bool cTimerStore<Order>::Remove(cTimerObj* obj, unsigned long param) {
  const std::uint32_t slot =
      m_table.FindFirst(obj, param, [](const cTimerTable::stSlot& a, const cTimerTable::stSlot& b) {
        return Order::Before(a.due, a.seq, b.due, b.seq);
      });
  if (slot == cTimerTable::kNone) return false;
  m_table.Erase(slot);
  if (++m_stale >= kMinStaleToCompact && m_stale > m_order.size() / 2) Compact();
  return true;
}

template <class Order>
const stOrderEntry* cTimerStore<Order>::LiveFront() {
  while (!m_order.empty()) {
    const stOrderEntry& front = m_order.Front();
    if (m_table.IsLive(front.slot, front.seq)) return &front;
    m_order.PopFront();
    --m_stale;
  }
  return nullptr;
}

template <class Order>
void cTimerStore<Order>::EraseFront() {
  m_table.Erase(m_order.Front().slot);
  m_order.PopFront();
  // The next take reads the new front's slot; start fetching it while the
  // caller runs this entry's callback.
  if (!m_order.empty()) __builtin_prefetch(&m_table.At(m_order.Front().slot));
}

template <class Order>
bool cTimerStore<Order>::TakeDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param) {
  std::uint64_t seq = 0;
  if (!PeekDue(now, obj, param, seq)) return false;
  EraseFront();
  return true;
}

template <class Order>
bool cTimerStore<Order>::PeekDue(std::uint32_t now, cTimerObj*& obj, unsigned long& param,
                                 std::uint64_t& seq) {
  const stOrderEntry* front = LiveFront();
  if (!front || !IsDue(now, front->due)) return false;
  const cTimerTable::stSlot& s = m_table.At(front->slot);
  obj = s.obj;
  param = s.param;
  seq = front->seq;
  return true;
}

template <class Order>
bool cTimerStore<Order>::TakePeeked(std::uint64_t seq) {
  const stOrderEntry* front = LiveFront();
  if (!front || front->seq != seq) return false;
  EraseFront();
  return true;
}

template <class Order>
void cTimerStore<Order>::Compact() {
  m_order.Compact(m_table);
  m_stale = 0;
}

template class cTimerStore<cTimerHeap>;
template class cTimerStore<cTimerFifo>;
